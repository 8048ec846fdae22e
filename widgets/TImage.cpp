#include "widgets/TImage.h"

#include "widgets/Numbers.h"
#include "widgets/TForm.h"

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

void TImage::SetStretch(bool value) {
  if (ChangeLook(m_stretch, value)) DropScaledCopy();
}

void TImage::SetProportional(bool value) {
  if (ChangeLook(m_proportional, value)) DropScaledCopy();
}

void TImage::SetCenter(bool value) { ChangeLook(m_center, value); }

void TImage::SetTransparent(bool value) { ChangeLook(m_transparent, value); }

void TImage::SetAutoSize(bool value) {
  if (value == m_auto_size) return;
  m_auto_size = value;
  if (m_auto_size) PictureChanged();
}

void TImage::PictureChanged() {
  DropScaledCopy();
  if (m_auto_size && m_picture.Width() > 0 && m_picture.Height() > 0) {
    SetBounds(Left(), Top(), m_picture.Width(), m_picture.Height());
  }
  Invalidate();
}

void TImage::BoundsChanged(const Rect& old_bounds) {
  if (old_bounds.width != Width() || old_bounds.height != Height()) DropScaledCopy();
}

void TImage::DropScaledCopy() {
  m_scaled = Bitmap32();
  m_scaled_source = nullptr;
}

size_t TImage::ScaledCopyBytes() const {
  return size_t(m_scaled.Width()) * size_t(m_scaled.Height()) * sizeof(uint32_t);
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

Rect TImage::OpaqueRect() const {
  const TGraphic* graphic = m_picture.Graphic();
  // Until decoded, a JPEG may yet fail and draw nothing.
  if (!graphic || graphic->Decoding() != DecodeState::Decoded) return {};
  return OpaqueRectOnceDecoded();
}

Rect TImage::OpaqueRectOnceDecoded() const {
  const TGraphic* graphic = m_picture.Graphic();
  if (!graphic || graphic->IsEmpty() || graphic->Decoding() == DecodeState::Failed) return {};
  // A transparent colour shows through.
  if (m_transparent && graphic->TransparentColor()) return {};
  return DestRect().Translated(Left(), Top()).Intersected(BoundsRect());
}

bool TImage::PaintDecodes() const {
  const TGraphic* graphic = m_picture.Graphic();
  return graphic && !graphic->IsEmpty() && graphic->Decoding() == DecodeState::Pending;
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
  if (!m_stretch) {
    painter.DrawScaled(*pixels, dest, key);
    return;
  }
  if (dest.width == pixels->Width() && dest.height == pixels->Height()) {
    // Drawn at its own size: the picture is its own scaled copy.
    DropScaledCopy();
    painter.DrawCopy(*pixels, dest.left, dest.top, key);
    return;
  }
  // A copy pays only where it has fewer pixels than the picture, so that a repaint reads less
  // than stretching the source would: an enlarged picture (every one on a screen larger than
  // the pictures were made for) is stretched from its own, fewer, pixels each time, and one
  // larger than the form only where it shows.
  if (!m_parent || dest.width > m_parent->Width() || dest.height > m_parent->Height() ||
      dest.Area() >= pixels->Bounds().Area()) {
    DropScaledCopy();
    painter.DrawScaled(*pixels, dest, key);
    return;
  }
  if (m_scaled_source != pixels || m_scaled.Width() != dest.width ||
      m_scaled.Height() != dest.height) {
    DropScaledCopy();
    m_scaled = Bitmap32(dest.width, dest.height);
    Painter scaler(m_scaled);
    scaler.DrawScaled(*pixels, m_scaled.Bounds(), std::nullopt);
    m_scaled_source = pixels;
    ++m_scaled_copies_made;
  }
  painter.DrawCopy(m_scaled, dest.left, dest.top, key);
}

}  // namespace vt
