#include "widgets/TImage.h"

#include "widgets/Numbers.h"

namespace vt {

void TPicture::LoadFromFile(const std::string& path) {
  // The decoder throws before anything is replaced, so a failed load keeps the old picture.
  Assign(LoadGraphicFromFile(path));
}

void TPicture::Assign(std::unique_ptr<TGraphic> graphic) {
  m_graphic = std::move(graphic);
  m_image.PictureChanged();
}

TImage::TImage(TComponent* owner) : TControl(owner) { m_bounds = {0, 0, 105, 105}; }

void TImage::SetStretch(bool value) { ChangeLook(m_stretch, value); }

void TImage::SetProportional(bool value) { ChangeLook(m_proportional, value); }

void TImage::SetCenter(bool value) { ChangeLook(m_center, value); }

void TImage::SetTransparent(bool value) { ChangeLook(m_transparent, value); }

void TImage::SetAutoSize(bool value) {
  if (value == m_auto_size) return;
  m_auto_size = value;
  if (m_auto_size) PictureChanged();
}

void TImage::PictureChanged() {
  if (m_auto_size && m_picture.Width() > 0 && m_picture.Height() > 0) {
    SetBounds(Left(), Top(), m_picture.Width(), m_picture.Height());
  }
  Invalidate();
}

Rect TImage::DestRect() const {
  int pw = m_picture.Width(), ph = m_picture.Height();
  int w = Width(), h = Height();
  if (pw <= 0 || ph <= 0) return {};
  Rect r;
  if (m_proportional && (m_stretch || pw > w || ph > h)) {
    double ratio = double(pw) / double(ph);
    int dw, dh;
    if (pw > ph) {
      dw = w;
      dh = int(Trunc(w / ratio));
      if (dh > h) {
        dh = h;
        dw = int(Trunc(h * ratio));
      }
    } else {
      dh = h;
      dw = int(Trunc(h * ratio));
      if (dw > w) {
        dw = w;
        dh = int(Trunc(w / ratio));
      }
    }
    r = {0, 0, dw, dh};
  } else if (m_stretch) {
    r = {0, 0, w, h};
  } else {
    r = {0, 0, pw, ph};
  }
  if (m_center) {
    r.left = (w - r.width) / 2;
    r.top = (h - r.height) / 2;
  }
  return r;
}

void TImage::Paint(Painter& painter) {
  TGraphic* graphic = m_picture.Graphic();
  if (!graphic || graphic->IsEmpty()) return;
  Rect dest = DestRect();
  if (dest.IsEmpty()) return;
  const Bitmap32* pixels = graphic->Pixels();
  if (!pixels) return;
  std::optional<TColor> key;
  if (m_transparent) key = graphic->TransparentColor();
  painter.DrawScaled(*pixels, dest, key);
}

}  // namespace vt
