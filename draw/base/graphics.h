#pragma once

// The picture surface that the drawing library paints on for callers that
// hold a picture (the template editor and the output preview): a painter on
// a QImage and the status of the last failing call, as the painting code of
// the templates reports it.

#include <QImage>
#include <QPainter>

namespace glyphra {

// Status codes of painting calls; the values are those of the format the
// templates were designed with, so that logs and callers can compare them.
enum class Status : int {
  Ok = 0,
  GenericError = 1,
  InvalidParameter = 2,
  OutOfMemory = 3,
  ObjectBusy = 4,
  InsufficientBuffer = 5,
  NotImplemented = 6,
  Win32Error = 7,
  WrongState = 8,
  Aborted = 9,
  FileNotFound = 10,
  ValueOverflow = 11,
  AccessDenied = 12,
  UnknownImageFormat = 13,
  FontFamilyNotFound = 14,
  FontStyleNotFound = 15,
  NotTrueTypeFont = 16,
};

// Owns a painter on the caller's image for as long as it lives. The caller
// keeps the image alive and owns both. Pictures are scaled smoothly
// (bilinear) unless the caller changes the painter's hints, as templates
// were designed with.
class Graphics {
 public:
  explicit Graphics(QImage& image) : painter_(&image) {
    if (!painter_.isActive()) {
      lastStatus_ = Status::InvalidParameter;
      return;
    }
    painter_.setRenderHint(QPainter::SmoothPixmapTransform);
  }
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  QPainter& Painter() { return painter_; }
  bool IsActive() const { return painter_.isActive(); }

  // Records the status of a call; Ok never overwrites an earlier failure.
  void SetStatus(Status status) {
    if (status != Status::Ok) lastStatus_ = status;
  }
  // The last failure since the previous call, then Ok again.
  Status GetLastStatus() {
    const Status status = lastStatus_;
    lastStatus_ = Status::Ok;
    return status;
  }

 private:
  QPainter painter_;
  Status lastStatus_ = Status::Ok;
};

}  // namespace glyphra
