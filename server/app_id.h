#pragma once

namespace fernwick {

// The AppID that the registry scripts name as %APPID%: the registrar and the installer packages
// write the same one.
inline constexpr wchar_t kAppId[] = L"{49E947BA-7002-47A2-B57F-6DA3272B679D}";

}  // namespace fernwick
