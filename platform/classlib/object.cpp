#include "platform/classlib/object.h"

#include "platform/classlib/exceptions.h"

namespace classlib {

void TPersistent::Assign(TPersistent* Source) {
  if (Source != nullptr) {
    Source->AssignTo(this);
    return;
  }
  AssignTo(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) {
  std::string source = ClassName();
  std::string target = Dest ? Dest->ClassName() : std::string("nil");
  if (Dest == nullptr) {
    // Assigning nil to an object that does not accept it.
    throw EConvertError("Cannot assign a nil to a " + source);
  }
  throw EConvertError("Cannot assign a " + source + " to a " + target);
}

}  // namespace classlib
