#pragma once
// The exceptions of the core. Engines raise them for data they cannot use; detection,
// the thumbnail code and the viewer catch them. Nothing crosses the plug-in boundary.

#include <stdexcept>
#include <string>

// The plain exception: inconsistent data, an out-of-range read, a frame layout that
// does not fit. Its message is shown to the user as it stands.
class EQoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A condition the viewer reports as a warning rather than as an error.
class EQoWarning : public EQoError {
 public:
  using EQoError::EQoError;
};

// Raised by every appending palette operation once a palette holds 256 colours.
class ETooManyColors : public EQoError {
 public:
  ETooManyColors() : EQoError("Too many colors") {}
};

// A buffer the platform (or our own size cap) refuses to allocate.
class EOutOfResources : public EQoError {
 public:
  EOutOfResources() : EQoError("Out of system resources") {}
};

namespace qo {

inline constexpr const char* kInternalError = "Internal error";

[[noreturn]] inline void RaiseInternalError() {
  throw EQoError(kInternalError);
}

// No single allocation driven by a header field may exceed this.
inline constexpr std::size_t kMaxAllocation = 64u * 1024u * 1024u;

}  // namespace qo
