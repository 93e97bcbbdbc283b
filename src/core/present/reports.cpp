// The display order and frame structure reports.
#include "present/reports.h"

#include <sstream>
#include <string>

#include "analysis/header_kinds.h"
#include "analysis/m2v_stream.h"
#include "analysis/records.h"
#include "io/output_file.h"
#include "present/value_tables.h"
#include "text/time_code.h"

namespace velmora {
namespace {

constexpr const char* kLineEnd = "\r\n";

// Drops the two characters that separate the last item from the next one (", " or the two blanks
// after a title or a GOP number).
void WriteWithoutSeparator(std::string& line, std::ostream& out) {
    if (line.size() > 2) {
        line.resize(line.size() - 2);
    }
    out << line << kLineEnd;
}

template <class Writer>
void SaveReport(const THeaderList& headers, const std::string& streamFileName, const std::string& fileName,
                Writer write) {
    std::ostringstream text;
    write(headers, streamFileName, text);
    WriteFileAtomically(fileName, text.view(), streamFileName);
}

}  // namespace

void WriteDisplayOrderReport(const THeaderList& headers, const std::string& streamFileName,
                             std::ostream& out) {
    std::string line = "Information for " + streamFileName + " - Display Order.  ";
    for (int64_t i = 0; i < headers.size(); ++i) {
        const int32_t kind = headers.Kind(i);
        if (kind == kind::GopHeader) {
            WriteWithoutSeparator(line, out);
            line = "GOP" + std::to_string(headers[i].As<TGopHeaderRecord>().gop_number) + "  ";
        } else if (kind == kind::PictureHeader) {
            line += std::to_string(headers[i].As<TPictureHeaderRecord>().display_index) + ", ";
        }
    }
    WriteWithoutSeparator(line, out);
}

void WriteFrameStructureReport(const THeaderList& headers, const std::string& streamFileName,
                               std::ostream& out) {
    std::string line = "Information for " + streamFileName + " - Frame Structure.";
    for (int64_t i = 0; i < headers.size(); ++i) {
        const int32_t kind = headers.Kind(i);
        if (kind == kind::GopHeader) {
            out << line << kLineEnd;
            const auto gop = headers[i].As<TGopHeaderRecord>();
            line = "GOP " + ZeroPad(static_cast<uint32_t>(gop.gop_number), 6) + "  ";
        } else if (kind == kind::PictureHeader) {
            const auto picture = headers[i].As<TPictureHeaderRecord>();
            line += PictureTypeLetter(static_cast<uint32_t>(picture.picture_coding_type));
        }
    }
    out << line << kLineEnd;
}

void SaveDisplayOrderReport(const THeaderList& headers, const std::string& streamFileName,
                            const std::string& fileName) {
    SaveReport(headers, streamFileName, fileName, WriteDisplayOrderReport);
}

void SaveFrameStructureReport(const THeaderList& headers, const std::string& streamFileName,
                              const std::string& fileName) {
    SaveReport(headers, streamFileName, fileName, WriteFrameStructureReport);
}

void TM2VStream::SaveDisplayOrderReport(const std::string& FileName) const {
    velmora::SaveDisplayOrderReport(FHeaders, FFileName, FileName);
}

void TM2VStream::SaveFrameStructureReport(const std::string& FileName) const {
    velmora::SaveFrameStructureReport(FHeaders, FFileName, FileName);
}

}  // namespace velmora
