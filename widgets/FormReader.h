#pragma once

#include <string>

#include "widgets/FormDescription.h"

namespace vt {

class TComponent;
class TControl;
class TForm;
class TImage;
class TLabel;
class TTimer;

// Reads a form description into a form: the form's own properties, then the components it
// lists, created by class name in its order, each property applied through its setter under
// the name the descriptions use. Unknown classes, properties and handlers are read errors, so
// that a typo cannot pass unnoticed.
class FormReader {
 public:
  explicit FormReader(TForm& form) : m_form(form) {}

  // Reads the description (text), then scales the form from the pixels per inch it was
  // designed at to the screen's.
  void Read(const std::string& text);

 private:
  using Property = FormDescription::Property;

  TComponent& Create(const std::string& class_name);
  void Apply(TComponent& component, const Property& p);
  void ApplyToTimer(TTimer& timer, const Property& p);
  // False for a name that is not one every control has.
  bool ApplyToControl(TControl& control, const Property& p);
  void ApplyToForm(TForm& form, const Property& p);
  void ApplyToLabel(TLabel& label, const Property& p);
  void ApplyToImage(TImage& image, const Property& p);
  // Binds the handler the form registered under the property's value to an event.
  template <class Event>
  void Bind(Event& event, const Property& p) const;

  TForm& m_form;
};

}  // namespace vt
