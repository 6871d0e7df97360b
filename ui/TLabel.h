#pragma once

#include <QLabel>

namespace vorlinda::ui {

// A static label that reports clicks; the link labels open web sites.
class TLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

} // namespace vorlinda::ui
