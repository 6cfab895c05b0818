// The HTTP client set up as the main window sets up its own: a cookie store and the traffic
// intercept attached to one TNetHTTP, the intercept active, without time stamps and with line ends
// left as they are, so `OnSent` hears every request head byte for byte. The owner assigns the
// intercept's events and, where it serves a window or wants connects bounded, an idle hook.
#pragma once

#include "http/cookie_store.h"
#include "http/net_http.h"
#include "http/net_log_event.h"

namespace lintaro::http {

struct ConfiguredHttpClient {
    ConfiguredHttpClient() {
        log_debug.Active = true;
        log_debug.LogTime = false;
        log_debug.ReplaceCRLF = false;
        http.SetCookieManager(&cookies);
        http.SetIntercept(&log_debug);
    }
    ConfiguredHttpClient(const ConfiguredHttpClient&) = delete;
    ConfiguredHttpClient& operator=(const ConfiguredHttpClient&) = delete;

    // Declared before the client, so they outlive its last disconnect notification.
    TNetCookieManager cookies;
    TNetLogEvent log_debug;
    TNetHTTP http;
};

}  // namespace lintaro::http
