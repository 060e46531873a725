#include "platform/classlib/object.h"

#include "platform/classlib/exceptions.h"

namespace classlib {

void TPersistent::Assign(TPersistent* Source) {
  // Assigning nothing is refused here, so that no AssignTo override is ever
  // handed a null destination or source.
  if (Source == nullptr) throw EConvertError("Cannot assign a nil to a " + ClassName());
  Source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* Dest) {
  std::string source = ClassName();
  if (Dest == nullptr) throw EConvertError("Cannot assign a " + source + " to a nil");
  throw EConvertError("Cannot assign a " + source + " to a " + Dest->ClassName());
}

}  // namespace classlib
