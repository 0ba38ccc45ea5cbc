// Test support: whether this program is built with a sanitizer, which runs it many times slower
// than the plain build. A long sweep checks a fixed sample there, so that a loaded machine still
// runs it well inside its timeout.
#pragma once

namespace testing_support {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitizedBuild = true;
#else
inline constexpr bool kSanitizedBuild = false;
#endif

}  // namespace testing_support
