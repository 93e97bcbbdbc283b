// Test helper: one processing run over a file.
#include "support/analyser_run.h"

#include "analysis/processing_options.h"

namespace velmora::test {

std::vector<int32_t> TAnalysed::Kinds() const {
    std::vector<int32_t> kinds;
    for (int64_t i = 0; i < Stream->FHeaders.size(); ++i) {
        kinds.push_back(Stream->FHeaders.Kind(i));
    }
    return kinds;
}

TAnalysed AnalyseFile(const std::string& Path, int32_t Mode) {
    TAnalysed result;
    result.Stream = std::make_unique<TM2VStream>(Path);
    std::vector<std::string>* messages = &result.Messages;
    result.Stream->OnLog = [messages](const std::string& text) { messages->push_back(text); };
    const bool extended = ApplyProcessingMode(*result.Stream, Mode);
    result.Stream->ParseStream(true, extended);
    result.Stream->CloseFile();  // as the window does once the summary is read
    return result;
}

TAnalysed Analyse(const TStreamBuilder& Builder, const std::string& Path, int32_t Mode) {
    Builder.WriteToFile(Path);
    return AnalyseFile(Path, Mode);
}

}  // namespace velmora::test
