// Settings files and KEY=VALUE lines from untrusted hands: any bytes are
// read without a crash, a refusal always says why, and whatever is applied
// to a controller can be written again and reads back unchanged.
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "model/Settings.h"

namespace {

using namespace vantrel;

void requireStable(const model::SettingsSource& settings, const model::TNodaluxCtrl& target) {
    for (const bool force : {false, true}) {
        const model::ApplyResult r = model::applySettings(settings, target, {.force = force, .withNetwork = force});
        if (!r.ok) {
            if (r.error.empty()) std::abort();
            continue;
        }
        // The applied settings, written and applied again, change nothing.
        const auto text = model::settingsFileText(r.record);
        if (!text) std::abort();
        const model::SettingsParse again = model::parseSettingsFile(*text);
        if (!again.settings) std::abort();
        const model::ApplyResult second = model::applySettings(*again.settings, r.record);
        if (!second.ok || !second.changes.empty() || !(second.record == r.record)) std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const model::TNodaluxCtrl targets[] = {fuzz::fullRecord(8, 4, 1), fuzz::fullRecord(5, 32, 4),
                                           fuzz::legacySettingsRecord()};

    const model::SettingsParse file = model::parseSettingsFile(text);
    if (file.settings) {
        for (const auto& target : targets) requireStable(*file.settings, target);
    } else if (file.error.empty()) {
        std::abort();
    }

    // The same bytes as command-line assignments, one a line.
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size() && lines.size() < 64) {
        const auto end = text.find('\n', start);
        lines.emplace_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    const model::SettingsParse assignments = model::parseAssignments(lines);
    if (assignments.settings) {
        for (const auto& target : targets) requireStable(*assignments.settings, target);
    } else if (assignments.error.empty()) {
        std::abort();
    }
    return 0;
}
