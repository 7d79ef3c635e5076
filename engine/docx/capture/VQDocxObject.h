#pragma once
// The root of everything a DOCX page writes into its body: runs, paragraphs,
// sections and property items. Objects live in shared arrays (the page, its
// lines and paragraphs all refer to the same run), so they are handled
// through std::shared_ptr and copied with clone(), which keeps the class.
#include <cxxabi.h>
#include <fmt/format.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <typeinfo>

#include "office/XMLFileWriter.h"

namespace vq {

class VQDocxObject {
 public:
  VQDocxObject() = default;
  virtual ~VQDocxObject() = default;

  // A new object of this object's own class with the fields that class copies.
  std::shared_ptr<VQDocxObject> clone() const { return cloneObject(); }

  // Writes the object into a page part; the root has nothing to write.
  virtual void writeWithXMLWriter(XMLFileWriter& writer) { (void)writer; }

  // "<ClassName: 0x...>"; classes with fields to show add bracketed groups.
  virtual std::string description() const { return fmt::format("<{}: {}>", className(), fmt::ptr(this)); }

  // The object's class without its namespace, for descriptions.
  std::string className() const {
    int status = 0;
    char* demangled = abi::__cxa_demangle(typeid(*this).name(), nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : typeid(*this).name();
    std::free(demangled);
    const auto colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
  }

 protected:
  VQDocxObject(const VQDocxObject&) = default;
  VQDocxObject& operator=(const VQDocxObject&) = default;

  // Every class that can be copied overrides this with a new object of its
  // own class; the root copies no field.
  virtual std::shared_ptr<VQDocxObject> cloneObject() const { return std::make_shared<VQDocxObject>(); }
};

}  // namespace vq
