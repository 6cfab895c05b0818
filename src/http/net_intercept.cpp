// The intercept chain: notifications flow to the own events and to the nested intercept.
#include "http/net_intercept.h"

#include <algorithm>

namespace lintaro::http {

TNetConnectionIntercept::~TNetConnectionIntercept() {
    SetIntercept(nullptr);
    for (TNetConnectionIntercept* outer : nesting_) outer->nested_ = nullptr;
}

void TNetConnectionIntercept::SetIntercept(TNetConnectionIntercept* nested) {
    if (nested_ == nested) return;
    if (nested_ != nullptr) std::erase(nested_->nesting_, this);
    nested_ = nested;
    if (nested_ != nullptr) nested_->nesting_.push_back(this);
}

void TNetConnectionIntercept::Connect(TNetTCPConnection* connection) {
    connection_ = connection;
    if (OnConnect) OnConnect(*this);
    if (nested_ != nullptr) nested_->Connect(connection);
}

void TNetConnectionIntercept::Disconnect() {
    if (nested_ != nullptr) nested_->Disconnect();
    if (OnDisconnect) OnDisconnect(*this);
    connection_ = nullptr;
}

void TNetConnectionIntercept::Send(std::string& block) {
    if (OnSend) OnSend(*this, block);
    if (nested_ != nullptr) nested_->Send(block);
}

void TNetConnectionIntercept::Receive(std::string& block) {
    if (nested_ != nullptr) nested_->Receive(block);
    if (OnReceive) OnReceive(*this, block);
}

}  // namespace lintaro::http
