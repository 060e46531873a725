// Root of the class hierarchy: TObject, and TPersistent with its Assign protocol.
#pragma once

#include <functional>
#include <string>

namespace classlib {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  // The class name as the component model reports it ("TObject", "TBitmap"...).
  virtual std::string ClassName() const { return "TObject"; }
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

class TPersistent : public TObject {
 public:
  std::string ClassName() const override { return "TPersistent"; }

  // Copies Source into this object. The default asks Source to AssignTo this
  // object; when neither side knows the other, EConvertError is raised with
  // "Cannot assign a <source class> to a <target class>".
  virtual void Assign(TPersistent* Source);

 protected:
  virtual void AssignTo(TPersistent* Dest);
};

}  // namespace classlib
