#pragma once

#include <QListWidget>

namespace vorlinda::ui {

// A list box whose rows are a fixed number of pixels high.
class TListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit TListBox(QWidget *parent = nullptr);

    void setItemHeight(int pixels);
    int itemHeight() const { return itemHeight_; }

private:
    int itemHeight_ = 13;
};

} // namespace vorlinda::ui
