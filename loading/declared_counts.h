// Plausibility check of the element counts that PLY, OFF and binary STL headers declare,
// made before a file reaches Assimp. Its PLY and OFF readers allocate whatever a header
// claims (12 GB for a header declaring 10^9 vertices, measured with Assimp 5.2) before they
// find out that the file is far too short, and its binary PLY reader silently reads a
// truncated file as if the missing bytes were there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Looks at the start of a file (head: its first bytes, at least the whole header where there
// is one; fileSize: the size of the whole file) and returns why the file cannot hold what its
// header declares, or an empty string when it can or when the file is no PLY, OFF or binary
// STL file. Each element is taken at its smallest possible encoding (a binary element its
// bytes, an ASCII value one digit and one separator), so only impossible headers are
// refused; in binary PLY and STL without lists that smallest size is the exact size, so a
// truncated file is refused too. extension (lower case, no dot) lets an OFF file without
// its "OFF" keyword and a binary STL file be recognised, as Assimp recognises them. A PLY
// header that does not end within the head is refused.
std::string checkDeclaredCounts(std::string_view head, std::uintmax_t fileSize,
                                std::string_view extension);

// How many bytes of a file checkDeclaredCounts needs to see.
inline constexpr std::size_t DECLARED_COUNTS_HEAD_SIZE = 65536;
