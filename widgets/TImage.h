#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "widgets/Graphic.h"
#include "widgets/TControl.h"

namespace vt {

class TImage;

// The picture a picture widget holds. A load replaces it only when the whole file was read
// and checked; on any failure the old picture stays and the error goes to the caller.
class TPicture {
 public:
  explicit TPicture(TImage& image) : m_image(image) {}
  void LoadFromFile(const std::string& path);
  void Assign(std::unique_ptr<TGraphic> graphic);
  TGraphic* Graphic() const { return m_graphic.get(); }
  int Width() const { return m_graphic ? m_graphic->Width() : 0; }
  int Height() const { return m_graphic ? m_graphic->Height() : 0; }

 private:
  TImage& m_image;
  std::unique_ptr<TGraphic> m_graphic;
};

class TImage : public TControl {
 public:
  explicit TImage(TComponent* owner);

  TPicture& Picture() { return m_picture; }
  const TPicture& Picture() const { return m_picture; }
  bool Stretch() const { return m_stretch; }
  void SetStretch(bool value);
  bool Proportional() const { return m_proportional; }
  void SetProportional(bool value);
  bool Center() const { return m_center; }
  void SetCenter(bool value);
  bool Transparent() const { return m_transparent; }
  void SetTransparent(bool value);
  bool AutoSize() const { return m_auto_size; }
  void SetAutoSize(bool value);

  // The rectangle, in widget coordinates, that the picture is drawn into.
  Rect DestRect() const;
  void Paint(Painter& painter) override;
  Rect OpaqueRect() const override;
  Rect OpaqueRectOnceDecoded() const override;
  bool PaintDecodes() const override;
  // The memory held by the stretched picture's scaled copy; 0 while there is none.
  size_t ScaledCopyBytes() const;
  // How often the picture has been scaled into that copy; a repaint that only copies from it
  // does not count.
  int ScaledCopiesMade() const { return m_scaled_copies_made; }

 protected:
  void BoundsChanged(const Rect& old_bounds) override;

 private:
  friend class TPicture;
  void PictureChanged();
  void DropScaledCopy();

  TPicture m_picture{*this};
  bool m_stretch = false;
  bool m_proportional = false;
  bool m_center = false;
  bool m_transparent = false;
  bool m_auto_size = false;
  // A stretched picture scaled once to the size it is drawn at, so that a repaint copies
  // from it instead of stretching the source again. Made by the first paint that needs it (a
  // JPEG decodes then), for pictures drawn smaller than their own size and no larger than the
  // form; dropped when the picture, the widget's size, Stretch or Proportional changes.
  Bitmap32 m_scaled;
  const Bitmap32* m_scaled_source = nullptr;
  int m_scaled_copies_made = 0;
};

}  // namespace vt
