// The log intercept: reports every block the connection sends or receives as text through events.
// The main window's LogDebug is one; its OnSent handler learns from each request head which host
// a request finally went to after redirects.
//
// The defaults are the component's own (Active off, LogTime on, ReplaceCRLF on). An owner that
// wants request heads byte for byte sets Active = true, LogTime = false, ReplaceCRLF = false, as
// the main window and lintaro-cli do.
#pragma once

#include <functional>
#include <string>

#include "http/net_intercept.h"

namespace lintaro::http {

// Base of the log intercepts: turns notifications into texts while Active is on.
class TNetLogBase : public TNetConnectionIntercept {
  public:
    bool Active = false;      // off: every notification does nothing, the chain included
    bool LogTime = true;      // on: the event's text is the local date and time of the notification
    bool ReplaceCRLF = true;  // on: CR LF reads "<EOL>", a lone CR "<CR>", a lone LF "<LF>"

    void Connect(TNetTCPConnection* connection) override;
    void Disconnect() override;
    void Send(std::string& block) override;
    void Receive(std::string& block) override;

  protected:
    virtual void LogStatus(const std::string& text) = 0;
    virtual void LogSentData(const std::string& text, const std::string& data) = 0;
    virtual void LogReceivedData(const std::string& text, const std::string& data) = 0;

  private:
    std::string TimeText() const;
    std::string DataText(const std::string& block) const;
};

class TNetLogEvent : public TNetLogBase {
  public:
    using DataEvent =
        std::function<void(TNetLogEvent& sender, const std::string& text, const std::string& data)>;
    using StatusEvent = std::function<void(TNetLogEvent& sender, const std::string& text)>;

    DataEvent OnSent;      // one block sent: a whole request head
    DataEvent OnReceived;  // one receive call's bytes
    StatusEvent OnStatus;  // "Connected." and "Disconnected."

  protected:
    void LogStatus(const std::string& text) override;
    void LogSentData(const std::string& text, const std::string& data) override;
    void LogReceivedData(const std::string& text, const std::string& data) override;
};

}  // namespace lintaro::http
