#pragma once
// The built-in pictures of the main window, held as JPEG resources (drawn by
// tools/make_artwork.cpp): the no-photo picture (Image2) and the
// photo-disabled picture (Image3), each 250 x 185, and the 30 x 18 flag
// (Image4). They are decoded by the same decoder as the photos, so they need
// no image format plugin.

#include <QPixmap>

class PhotoPictures {
  public:
    static QPixmap noPhoto();
    static QPixmap photoDisabled();
    static QPixmap flag();

  private:
    static QImage load(const QString& resource, int height);
};
