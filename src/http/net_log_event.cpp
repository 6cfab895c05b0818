// The log intercept's texts: time stamps and the optional line-end markers.
#include "http/net_log_event.h"

#include <ctime>

namespace lintaro::http {

void TNetLogBase::Connect(TNetTCPConnection* connection) {
    if (!Active) return;
    TNetConnectionIntercept::Connect(connection);
    LogStatus("Connected.");
}

void TNetLogBase::Disconnect() {
    if (!Active) return;
    LogStatus("Disconnected.");
    TNetConnectionIntercept::Disconnect();
}

void TNetLogBase::Send(std::string& block) {
    if (!Active) return;
    TNetConnectionIntercept::Send(block);
    LogSentData(TimeText(), DataText(block));
}

void TNetLogBase::Receive(std::string& block) {
    if (!Active) return;
    TNetConnectionIntercept::Receive(block);
    LogReceivedData(TimeText(), DataText(block));
}

std::string TNetLogBase::TimeText() const {
    if (!LogTime) return "";
    // The date and time as the process's locale writes them.
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, "%x %X", &local);
    return std::string(text, length);
}

std::string TNetLogBase::DataText(const std::string& block) const {
    if (!ReplaceCRLF) return block;
    std::string text;
    text.reserve(block.size());
    for (std::size_t i = 0; i < block.size(); ++i) {
        if (block[i] == '\r' && i + 1 < block.size() && block[i + 1] == '\n') {
            text += "<EOL>";
            ++i;
        } else if (block[i] == '\r') {
            text += "<CR>";
        } else if (block[i] == '\n') {
            text += "<LF>";
        } else {
            text += block[i];
        }
    }
    return text;
}

void TNetLogEvent::LogStatus(const std::string& text) {
    if (OnStatus) OnStatus(*this, text);
}

void TNetLogEvent::LogSentData(const std::string& text, const std::string& data) {
    if (OnSent) OnSent(*this, text, data);
}

void TNetLogEvent::LogReceivedData(const std::string& text, const std::string& data) {
    if (OnReceived) OnReceived(*this, text, data);
}

}  // namespace lintaro::http
