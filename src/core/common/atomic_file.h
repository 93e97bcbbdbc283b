// Writes a whole file so that readers see either the old contents or the complete new ones.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// Writes contents to a new file beside fileName and renames it over fileName once it is complete and
// flushed; a symbolic link keeps pointing at its replaced target. A device or pipe (/dev/stdout) is
// written in place. Throws std::runtime_error naming fileName and the reason; on failure no partial
// file is left and an existing fileName is untouched.
void WriteFileAtomically(const std::string& fileName, std::string_view contents);

}  // namespace velmora
