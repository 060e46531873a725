// Exception classes of the class library. Every failure raised by the program's
// own code derives from Exception, which carries the message shown to the user.
#pragma once

#include <stdexcept>
#include <string>

namespace classlib {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }
  void SetMessage(std::string m) { message_ = std::move(m); }

 private:
  std::string message_;
};

// The kinds of failure the class library itself raises.
#define CLASSLIB_EXCEPTION_KIND(Name, Base) \
  class Name : public Base {                \
   public:                                  \
    using Base::Base;                       \
  };

CLASSLIB_EXCEPTION_KIND(EConvertError, Exception)  // text that is not a number
CLASSLIB_EXCEPTION_KIND(EListError, Exception)     // index out of range in a list
CLASSLIB_EXCEPTION_KIND(EStringListError, EListError)
CLASSLIB_EXCEPTION_KIND(EStreamError, Exception)      // stream read/write/seek failed
CLASSLIB_EXCEPTION_KIND(EReadError, EStreamError)     // short read
CLASSLIB_EXCEPTION_KIND(EWriteError, EStreamError)    // short write
CLASSLIB_EXCEPTION_KIND(EFOpenError, EStreamError)    // file cannot be opened
CLASSLIB_EXCEPTION_KIND(EFCreateError, EStreamError)  // file cannot be created
CLASSLIB_EXCEPTION_KIND(EInOutError, Exception)       // operating-system file failure
CLASSLIB_EXCEPTION_KIND(EOutOfMemory, Exception)
CLASSLIB_EXCEPTION_KIND(EInvalidOperation, Exception)  // control operation not allowed now
CLASSLIB_EXCEPTION_KIND(EInvalidGraphic, Exception)    // picture data not understood
CLASSLIB_EXCEPTION_KIND(EInvalidGraphicOperation, Exception)
CLASSLIB_EXCEPTION_KIND(EOSError, Exception)
CLASSLIB_EXCEPTION_KIND(EIntOverflow, Exception)
CLASSLIB_EXCEPTION_KIND(EDivByZero, Exception)
CLASSLIB_EXCEPTION_KIND(EMathError, Exception)   // floating-point failure
CLASSLIB_EXCEPTION_KIND(EInvalidOp, EMathError)  // e.g. rounding a value beyond 64 bits
CLASSLIB_EXCEPTION_KIND(EOverflow, EMathError)
CLASSLIB_EXCEPTION_KIND(EAbort, Exception)  // silent: the application handler shows nothing
CLASSLIB_EXCEPTION_KIND(EComponentError, Exception)
CLASSLIB_EXCEPTION_KIND(EThread, Exception)

#undef CLASSLIB_EXCEPTION_KIND

}  // namespace classlib
