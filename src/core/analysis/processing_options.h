// Setting an analyser's options from a processing mode, as Start does before the parse.
#pragma once

#include <cstdint>

namespace velmora {

class TM2VStream;

// Sets the options of the mode with this stored index and, for "Rewrite cache", deletes the
// stream's cache file. An index outside the table sets nothing (the analyser's defaults behave as
// "Quick"). Returns the ExtendedRecords argument for ParseStream.
bool ApplyProcessingMode(TM2VStream& Stream, int32_t Index);

}  // namespace velmora
