#pragma once

#include <QIcon>
#include <QImage>

namespace vorlinda::ui {

// The program's own icons, drawn in code: an open book with a "V" on it.
namespace Icons {

QImage draw(int size);

QIcon applicationIcon(); // 48 x 48
QIcon windowIcon();      // 32 x 32, with the 48 x 48 one

} // namespace Icons

} // namespace vorlinda::ui
