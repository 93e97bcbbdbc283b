// The two plain-text GOP reports: display order and frame structure, one line per GOP, 8-bit text
// with CR LF line ends.
#pragma once

#include <ostream>
#include <string>

#include "analysis/header_list.h"

namespace velmora {

// Write the report of headers, titled with the analysed stream's file name, to out.
void WriteDisplayOrderReport(const THeaderList& headers, const std::string& streamFileName,
                             std::ostream& out);
void WriteFrameStructureReport(const THeaderList& headers, const std::string& streamFileName,
                               std::ostream& out);

// Write the report to the file fileName, replacing it only when complete; throw std::runtime_error
// naming fileName and the reason when it cannot be written or is the stream itself.
void SaveDisplayOrderReport(const THeaderList& headers, const std::string& streamFileName,
                            const std::string& fileName);
void SaveFrameStructureReport(const THeaderList& headers, const std::string& streamFileName,
                              const std::string& fileName);

}  // namespace velmora
