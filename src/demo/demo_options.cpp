// The demo line's options check, shared by the line's builders and the demo server, and the
// conversion of the table's dates.
#include <stdexcept>
#include <string>

#include "demo/demo_line.h"

namespace lintaro::demo {

namespace chr = std::chrono;

void CheckDemoOptions(const DemoOptions& options) {
    if (options.events < 0 || options.events > kMaxDemoEvents) {
        throw std::invalid_argument("The demo line's event count must be 0.." +
                                    std::to_string(kMaxDemoEvents) + ", not " +
                                    std::to_string(options.events));
    }
    if (options.generation > kMaxDemoGeneration) {
        throw std::invalid_argument("The demo line's generation must be 0.." +
                                    std::to_string(kMaxDemoGeneration) + ", not " +
                                    std::to_string(options.generation));
    }
    if (options.second_offset_minutes < -720 || options.second_offset_minutes > 720) {
        throw std::invalid_argument(
            "The second bookmaker's clock offset must be -720..720 minutes, not " +
            std::to_string(options.second_offset_minutes));
    }
}

chr::year_month_day ToYearMonthDay(const table::CivilDate& date) {
    return chr::year_month_day{chr::year{date.year}, chr::month{static_cast<unsigned>(date.month)},
                               chr::day{static_cast<unsigned>(date.day)}};
}

}  // namespace lintaro::demo
