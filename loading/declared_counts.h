// Plausibility check of the element counts that PLY and OFF headers declare, made before a
// file reaches Assimp: its readers allocate whatever a header claims (12 GB for a PLY or OFF
// header declaring 10^9 vertices, measured with Assimp 5.2) before they find out that the
// file is far too short to hold them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Looks at the start of a file (head: its first bytes, at least the whole header where there
// is one; fileSize: the size of the whole file) and returns why the file cannot hold what its
// header declares, or an empty string when it can or when the file is no PLY or OFF file.
// Each element is taken at its smallest possible encoding (a binary element its bytes, an
// ASCII value one digit and one separator), so only impossible headers are refused.
// extension (lower case, no dot) lets an OFF file without its "OFF" keyword be recognised, as
// Assimp recognises it. A PLY header that does not end within the head is refused too.
std::string checkDeclaredCounts(std::string_view head, std::uintmax_t fileSize,
                                std::string_view extension);

// How many bytes of a file checkDeclaredCounts needs to see.
inline constexpr std::size_t DECLARED_COUNTS_HEAD_SIZE = 65536;
