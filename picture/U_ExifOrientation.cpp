#include "picture/U_ExifOrientation.h"

#include <QTransform>

#include <cstring>

#include <libexif/exif-data.h>

int ExifOrientation(const unsigned char* segment, unsigned length) {
    static const unsigned char kHeader[] = {'E', 'x', 'i', 'f', 0, 0};
    if (segment == nullptr || length <= sizeof kHeader ||
        std::memcmp(segment, kHeader, sizeof kHeader) != 0)
        return 1;
    ExifData* exif = exif_data_new();
    if (exif == nullptr)
        return 1;
    // Read only: nothing is to be repaired or added to the data.
    exif_data_unset_option(exif, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(exif, segment, length);
    int orientation = 1;
    const ExifEntry* entry = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (entry != nullptr && entry->format == EXIF_FORMAT_SHORT && entry->components >= 1 &&
        entry->size >= 2)
        orientation = exif_get_short(entry->data, exif_data_get_byte_order(exif));
    exif_data_unref(exif);
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

QImage Oriented(QImage picture, int orientation) {
    const auto turned = [](const QImage& image, int degrees) {
        return image.transformed(QTransform().rotate(degrees));
    };
    switch (orientation) {
    case 2:
        return picture.mirrored(true, false);
    case 3:
        return turned(picture, 180);
    case 4:
        return picture.mirrored(false, true);
    case 5:
        return turned(picture, 90).mirrored(true, false);
    case 6:
        return turned(picture, 90);
    case 7:
        return turned(picture, 90).mirrored(false, true);
    case 8:
        return turned(picture, 270);
    default:
        return picture;
    }
}
