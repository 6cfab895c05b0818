// The traffic intercept: a hook the connection calls when it connects and disconnects and with
// every block it sends or receives. Intercepts chain: each passes every notification on to its
// nested intercept. A handler may change a block; the connection goes on with the changed bytes.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace lintaro::http {

class TNetTCPConnection;

class TNetConnectionIntercept {
  public:
    using NotifyEvent = std::function<void(TNetConnectionIntercept& sender)>;
    using StreamEvent = std::function<void(TNetConnectionIntercept& sender, std::string& block)>;

    TNetConnectionIntercept() = default;
    // Detaches itself from every intercept that nests it, so none is left pointing at it.
    virtual ~TNetConnectionIntercept();
    TNetConnectionIntercept(const TNetConnectionIntercept&) = delete;
    TNetConnectionIntercept& operator=(const TNetConnectionIntercept&) = delete;

    NotifyEvent OnConnect;
    NotifyEvent OnDisconnect;
    StreamEvent OnSend;
    StreamEvent OnReceive;

    // The nested intercept that sees every notification after (send) or before (receive) this one.
    // Not owned; forgotten automatically when it is destroyed.
    void SetIntercept(TNetConnectionIntercept* nested);
    TNetConnectionIntercept* Intercept() const { return nested_; }

    // The connection served, between the connect and the disconnect notification.
    TNetTCPConnection* Connection() const { return connection_; }

    // Notifications, called by the connection.
    virtual void Connect(TNetTCPConnection* connection);
    virtual void Disconnect();
    // `block` holds the bytes about to be handed to the socket.
    virtual void Send(std::string& block);
    // `block` holds the bytes of one receive call.
    virtual void Receive(std::string& block);

  private:
    TNetTCPConnection* connection_ = nullptr;
    TNetConnectionIntercept* nested_ = nullptr;
    std::vector<TNetConnectionIntercept*> nesting_;  // intercepts whose nested one is this
};

}  // namespace lintaro::http
