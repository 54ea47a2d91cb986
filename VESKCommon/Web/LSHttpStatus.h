// The HTTP status codes the client acts on.
#pragma once

namespace LSHttpStatus {

constexpr long kAccepted = 202;
constexpr long kFound = 302;
constexpr long kBadRequest = 400;
constexpr long kUnauthorized = 401;
constexpr long kNotFound = 404;
constexpr long kTooManyRequests = 429;
constexpr long kInternalServerError = 500;
constexpr long kBadGateway = 502;
constexpr long kServiceUnavailable = 503;

constexpr bool IsSuccess(long status) { return status >= 200 && status <= 299; }

} // namespace LSHttpStatus
