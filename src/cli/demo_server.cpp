// The demo line server (being written).
#include "demo_server.h"

#include <stdexcept>

namespace lintaro::demo {

struct DemoServer::Impl {
    DemoOptions options;
};

DemoServer::DemoServer(DemoOptions options) : impl_(std::make_unique<Impl>()) {
    impl_->options = std::move(options);
}
DemoServer::~DemoServer() { Stop(); }
void DemoServer::Start(uint16_t) {
    throw std::runtime_error("The demo line server is not available yet");
}
std::string DemoServer::FirstHost() const { return ""; }
std::string DemoServer::SecondHost() const { return ""; }
uint16_t DemoServer::FirstPort() const { return 0; }
uint16_t DemoServer::SecondPort() const { return 0; }
std::chrono::year_month_day DemoServer::Today() const { return LocalToday(); }
DemoStats DemoServer::Stats() const { return {}; }
void DemoServer::Stop() {}

}  // namespace lintaro::demo
