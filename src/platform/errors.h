// The accessibility interface's numeric error codes. The core reports them in diagnostic lines
// as plain decimal numbers, so they stay plain integers.
#pragma once

#include <cstdint>

namespace axb::platform {

using AXErrorCode = std::int32_t;

namespace axerr {
inline constexpr AXErrorCode kSuccess = 0;
inline constexpr AXErrorCode kFailure = -25200;
inline constexpr AXErrorCode kIllegalArgument = -25201;
inline constexpr AXErrorCode kInvalidUIElement = -25202;
inline constexpr AXErrorCode kInvalidUIElementObserver = -25203;
inline constexpr AXErrorCode kCannotComplete = -25204;
inline constexpr AXErrorCode kAttributeUnsupported = -25205;
inline constexpr AXErrorCode kActionUnsupported = -25206;
inline constexpr AXErrorCode kNotificationUnsupported = -25207;
inline constexpr AXErrorCode kNotImplemented = -25208;
inline constexpr AXErrorCode kNotificationAlreadyRegistered = -25209;
inline constexpr AXErrorCode kNotificationNotRegistered = -25210;
inline constexpr AXErrorCode kAPIDisabled = -25211;
inline constexpr AXErrorCode kNoValue = -25212;
inline constexpr AXErrorCode kParameterizedAttributeUnsupported = -25213;
inline constexpr AXErrorCode kNotEnoughPrecision = -25214;
}  // namespace axerr

}  // namespace axb::platform
