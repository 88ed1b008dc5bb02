// SPDX-License-Identifier: GPL-3.0-or-later
// The Multi Play window as a whole: its controls, the load step, the grid's
// cells, Send, Close and Clear, and its own tick timer.

#include "play/multiplay.h"

#include "core/text.h"
#include "link/devicelink.h"
#include "link/ticks.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace {

constexpr int ListRows = MultiPlay::Rows - 1;
constexpr int ListColumns = MultiPlay::Columns - 1;

// Positions are kept in twips as the window was drawn; 15 twips make a pixel.
constexpr int px(int twips)
{
    return twips / 15;
}

// The grid does no editing and no searching of its own: the window's key
// handling is the only thing that changes its cells.
class ToneGridView : public QTableWidget
{
public:
    using QTableWidget::QTableWidget;
    void keyboardSearch(const QString &) override {}
};

QTableWidgetItem *makeCell()
{
    auto *item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QPushButton *makeButton(const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setAccessibleName(caption);
    button->setAutoDefault(false);
    return button;
}

} // namespace

MultiPlay::MultiPlay(const PlayHost &host, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_handle(host.handle), m_prompt(host.prompt)
{
    Tag = QStringLiteral("-1");
    buildWindow();

    Timer2 = host.ticksFor(this);
    m_link = new DeviceLink(host.link->port(), *Timer2, ToneListSend::linkOptions(host.wait), this);
    Timer2->start();

    Form_Load();
}

MultiPlay::~MultiPlay() = default;

void MultiPlay::buildWindow()
{
    setWindowTitle(QStringLiteral("Multi Play "));
    setFixedSize(px(5490), px(5940));

    ToneGrid = new ToneGridView(ListRows, ListColumns, this);
    ToneGrid->setAccessibleName(QStringLiteral("Tone list"));
    ToneGrid->setGeometry(px(120), px(120), px(3720), px(5100));
    ToneGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ToneGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    ToneGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
    ToneGrid->setTabKeyNavigation(false);
    ToneGrid->setCornerButtonEnabled(false);
    ToneGrid->setWordWrap(false);
    // The fixed row and column are the grid's headers: never current, never edited.
    QHeaderView *top = ToneGrid->horizontalHeader();
    QHeaderView *side = ToneGrid->verticalHeader();
    top->setSectionsClickable(false);
    side->setSectionsClickable(false);
    top->setSectionResizeMode(QHeaderView::Fixed);
    side->setSectionResizeMode(QHeaderView::Fixed);
    top->setHighlightSections(false);
    side->setHighlightSections(false);
    side->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    top->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // All twenty rows and all four columns show at once: the rows are as
    // high as the text needs and the grid is made as high as they are, up to
    // the label below it (a large font scrolls instead).
    const int lineHeight = ToneGrid->fontMetrics().height() + 1;
    side->setMinimumSectionSize(lineHeight);
    side->setDefaultSectionSize(lineHeight);
    top->setFixedHeight(lineHeight + 2);
    const int frame = 2 * ToneGrid->frameWidth();
    ToneGrid->resize(ToneGrid->width(), qMin(top->height() + ListRows * lineHeight + frame,
                                             px(5280) - ToneGrid->y() - 4));
    ToneGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ToneGrid->setColumnWidth(0, px(800));
    ToneGrid->setColumnWidth(1, px(1050));
    top->setStretchLastSection(true);
    for (int r = 0; r < ListRows; ++r) {
        for (int c = 0; c < ListColumns; ++c)
            ToneGrid->setItem(r, c, makeCell());
    }
    for (int c = 0; c < ListColumns; ++c)
        ToneGrid->setHorizontalHeaderItem(c, new QTableWidgetItem);
    for (int r = 0; r < ListRows; ++r)
        ToneGrid->setVerticalHeaderItem(r, new QTableWidgetItem);

    Send = makeButton(QStringLiteral("Send Data"), this);
    Send->setGeometry(px(3960), px(120), px(1215), px(375));
    Cancel = makeButton(QStringLiteral("Close"), this);
    Cancel->setGeometry(px(3960), px(600), px(1215), px(375));
    Clear = makeButton(QStringLiteral("Clear Form"), this);
    Clear->setGeometry(px(3960), px(1080), px(1215), px(375));

    const QString caption =
        QStringLiteral("MultiPlay sends up to 20 tones with individual length and duration.");
    Label1 = new QLabel(caption, this);
    Label1->setAccessibleName(caption);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setGeometry(px(600), px(5280), px(3855), px(5940 - 5280));

    setTabOrder(Send, Cancel);
    setTabOrder(Cancel, Clear);
    setTabOrder(Clear, ToneGrid);

    connect(ToneGrid, &QTableWidget::currentCellChanged, this,
            [this] { m_handle([this] { ToneGrid_EnterCell(); }); });
    connect(Send, &QPushButton::clicked, this, [this] { m_handle([this] { Send_Click(); }); });
    connect(Cancel, &QPushButton::clicked, this, [this] { m_handle([this] { Cancel_Click(); }); });
    connect(Clear, &QPushButton::clicked, this, [this] { m_handle([this] { Clear_Click(); }); });
}

void MultiPlay::Form_Load()
{
    Tag = QStringLiteral("-1");
    setTextMatrix(0, 0, QString());
    setTextMatrix(0, ToneColumn, QStringLiteral("Tone"));
    setTextMatrix(0, DurationColumn, QStringLiteral("Duration"));
    setTextMatrix(0, SpaceColumn, QStringLiteral("Space"));
    for (int r = 1; r <= ListRows; ++r)
        setTextMatrix(r, 0, formatNumber(r));
    setCurrentCell(1, ToneColumn);
    // The first control of the tab order has the focus when the window shows.
    Send->setFocus();
}

QString MultiPlay::textMatrix(int row, int column) const
{
    if (row < 0 || row >= Rows || column < 0 || column >= Columns)
        return QString();
    if (row == 0 && column == 0)
        return QString(); // the corner of the fixed cells holds no text
    const QTableWidgetItem *item = row == 0      ? ToneGrid->horizontalHeaderItem(column - 1)
                                   : column == 0 ? ToneGrid->verticalHeaderItem(row - 1)
                                                 : ToneGrid->item(row - 1, column - 1);
    return item ? item->text() : QString();
}

void MultiPlay::setTextMatrix(int row, int column, const QString &text)
{
    if (row < 0 || row >= Rows || column < 0 || column >= Columns || (row == 0 && column == 0))
        return;
    QTableWidgetItem *item = row == 0      ? ToneGrid->horizontalHeaderItem(column - 1)
                             : column == 0 ? ToneGrid->verticalHeaderItem(row - 1)
                                           : ToneGrid->item(row - 1, column - 1);
    if (item)
        item->setText(text);
}

void MultiPlay::clearList()
{
    for (int r = 1; r <= ListRows; ++r) {
        for (int c = ToneColumn; c <= SpaceColumn; ++c)
            setTextMatrix(r, c, QString());
    }
}

int MultiPlay::currentRow() const
{
    return ToneGrid->currentRow() + 1;
}

int MultiPlay::currentColumn() const
{
    return ToneGrid->currentColumn() + 1;
}

void MultiPlay::setCurrentCell(int row, int column)
{
    ToneGrid->setCurrentCell(row - 1, column - 1);
}

void MultiPlay::ToneGrid_EnterCell()
{
    column = static_cast<qint16>(currentColumn());
    row = static_cast<qint16>(currentRow());
}

void MultiPlay::Send_Click()
{
    ToneListSend(*m_link, m_prompt).run([this](int r) {
        return ToneListSend::Line{textMatrix(r, ToneColumn), textMatrix(r, DurationColumn),
                                  textMatrix(r, SpaceColumn)};
    });
}

void MultiPlay::Cancel_Click()
{
    Tag = QStringLiteral("0");
}

void MultiPlay::Clear_Click()
{
    clearList();
}

void MultiPlay::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    previewKeys();
}

void MultiPlay::closeEvent(QCloseEvent *event)
{
    // Closing through the frame counts as Close: the opener's wait ends and
    // the window is only hidden, keeping its list.
    Tag = QStringLiteral("0");
    event->accept();
}
