// Ready-made tamper rules: which replies a fault hits.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "tests/faults/TamperingTransport.h"

namespace veldrant::faults {

using RequestMatch = std::function<bool(const SentRequest&)>;

// The reply of request `exchange` alone.
inline TamperRule At(uint64_t exchange, Tamper tamper) {
    return [=](uint64_t n, const SentRequest&) { return n == exchange ? tamper : Tamper{}; };
}

// Every reply from request `exchange` on.
inline TamperRule From(uint64_t exchange, Tamper tamper) {
    return [=](uint64_t n, const SentRequest&) { return n >= exchange ? tamper : Tamper{}; };
}

// The replies of the requests that `match`; with `nth`, only the nth of them (from 1).
inline TamperRule Matching(RequestMatch match, Tamper tamper, std::optional<int> nth = {}) {
    auto seen = std::make_shared<int>(0);
    return [=](uint64_t, const SentRequest& rq) {
        if (!match(rq))
            return Tamper{};
        ++*seen;
        return !nth || *seen == *nth ? tamper : Tamper{};
    };
}

// Requests with arguments under `code`.
inline RequestMatch Command(uint8_t code) {
    return [code](const SentRequest& rq) { return rq.code == code && !rq.IsBlock(); };
}

// The number (from 1) of the first request of `log` from position `from` on that `match`es.
inline uint64_t FirstMatching(const std::vector<SentRequest>& log, RequestMatch match,
                              uint64_t from = 1) {
    for (uint64_t k = from; k <= log.size(); ++k) {
        if (match(log[k - 1]))
            return k;
    }
    return 0;
}

}  // namespace veldrant::faults
