#include "tests/common/Astronaut.h"

QImage Astronaut() {
    return QImage(QStringLiteral(QM_TEST_DATA "/astronaut.jpg"))
        .convertToFormat(QImage::Format_RGB32);
}
