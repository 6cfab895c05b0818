// Demo line generation (being written).
#include "demo_line.h"

#include <stdexcept>

namespace lintaro::demo {

FirstLine BuildFirstLine(const DemoOptions&, std::chrono::year_month_day) {
    throw std::runtime_error("The demo line is not available yet");
}
SecondLine BuildSecondLine(const DemoOptions&, std::chrono::year_month_day) {
    throw std::runtime_error("The demo line is not available yet");
}
std::vector<OddsRecord> PublishedFirstRows(const DemoOptions& options,
                                           std::chrono::year_month_day today) {
    return BuildFirstLine(options, today).rows;
}
std::vector<OddsRecord> PublishedSecondRows(const DemoOptions& options,
                                            std::chrono::year_month_day today) {
    return BuildSecondLine(options, today).rows;
}
std::chrono::year_month_day LocalToday() {
    return std::chrono::year_month_day{std::chrono::sys_days{}};
}

}  // namespace lintaro::demo
