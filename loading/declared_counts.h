// Plausibility check of what PLY, OFF, binary STL and binary glTF headers declare, made before a
// file reaches Assimp. Its PLY and OFF readers allocate whatever a header claims (12 GB for a
// header declaring 10^9 vertices, measured with Assimp 5.2) before they find out that the
// file is far too short; its binary PLY reader reads a truncated file as if the missing
// bytes were there, and its ASCII PLY and OFF readers fill missing vertex lines by repeating
// the last vertex or by reading face lines as vertices. None of that may reach the caller as
// a point set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The bytes of a file after its head, a chunk at a time; an empty chunk ends the file.
using MoreBytes = std::function<std::string_view()>;

// Looks at a file (head: its first bytes, at least the whole header where there is one;
// fileSize: the size of the whole file; more: the rest) and returns why it cannot hold what
// its header declares, "no vertices" when the header declares none, or an empty string when
// the file can hold it or is no PLY, OFF or binary STL file.
// - Binary PLY and STL: each element at its smallest encoding (its bytes, a list only its
//   count) must fit after the header. Without lists that is the exact size, so truncation
//   is found; a binary STL file must have exactly that size.
// - ASCII PLY and OFF: the body is read through (more is called only for these) and must
//   hold one line with a number per element and at least as many numbers as the elements
//   have scalar values.
// extension (lower case, no dot) lets an OFF file without its "OFF" keyword and a binary STL
// file be recognised, as Assimp recognises them. A PLY header that does not end within the
// head is refused.
// - Binary glTF (content beginning "glTF"): the total length and the first chunk's length
//   must fit in the file.
std::string checkDeclaredCounts(std::string_view head, std::uintmax_t fileSize,
                                std::string_view extension, const MoreBytes& more);

// How many bytes of a file checkDeclaredCounts needs to see as its head.
inline constexpr std::size_t DECLARED_COUNTS_HEAD_SIZE = 65536;
