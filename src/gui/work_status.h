// The texts of the status bar: a file's size and how far running work has come.
#pragma once

#include <QString>
#include <cstdint>

namespace velmora::gui {

// "11.8 MiB (12345678 bytes)".
QString FileSizeText(int64_t Bytes);
// "42 %, 85.3 MB/s, 0:12 left" for a Share (0 to 1) of Bytes done in Seconds; "Working..." until a
// share is known.
QString WorkStatusText(double Share, double Seconds, int64_t Bytes);

}  // namespace velmora::gui
