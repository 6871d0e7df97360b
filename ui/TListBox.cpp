#include "ui/TListBox.h"

#include <QStyledItemDelegate>

namespace vorlinda::ui {

namespace {

class FixedHeightDelegate : public QStyledItemDelegate
{
public:
    FixedHeightDelegate(const TListBox *list, QObject *parent)
        : QStyledItemDelegate(parent), list_(list)
    {}

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(list_->itemHeight());
        return size;
    }

private:
    const TListBox *list_;
};

} // namespace

TListBox::TListBox(QWidget *parent) : QListWidget(parent)
{
    setUniformItemSizes(true);
    setItemDelegate(new FixedHeightDelegate(this, this));
}

void TListBox::setItemHeight(int pixels)
{
    itemHeight_ = pixels;
    doItemsLayout();
}

} // namespace vorlinda::ui
