#include "ui/TListBox.h"

#include <QStyledItemDelegate>

namespace vorlinda::ui {

namespace {

class FixedHeightDelegate : public QStyledItemDelegate
{
public:
    FixedHeightDelegate(const TListBox *list, QObject *parent)
        : QStyledItemDelegate(parent), m_list(list)
    {}

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(m_list->itemHeight());
        return size;
    }

private:
    const TListBox *m_list;
};

} // namespace

TListBox::TListBox(QWidget *parent) : QListWidget(parent)
{
    setUniformItemSizes(true);
    setItemDelegate(new FixedHeightDelegate(this, this));
}

void TListBox::setItemHeight(int pixels)
{
    m_itemHeight = pixels;
    doItemsLayout();
}

} // namespace vorlinda::ui
