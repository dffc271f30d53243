#pragma once

#include <QColor>
#include <QHash>
#include <QLine>
#include <QList>
#include <QMargins>
#include <QRect>
#include <QSize>
#include <QString>

// A banded report described as data: sections laid out one after another,
// each with controls at fixed positions. Every measure is in twips (1440 per
// inch), so the same definition paints on screen, paper and PDF.

enum class ControlKind { Label, Field, Line, Box, Chart, PageBreak };
enum class HAlign { Left, Center, Right };
enum class VAlign { Top, Center };

struct ReportFont
{
    QString family = QStringLiteral("Arial");
    double pointSize = 8.5;
    bool bold = false;
};

struct ReportControl
{
    QString name;
    ControlKind kind = ControlKind::Label;
    QRect rect;     // labels, fields, boxes, the chart
    QLine line;     // lines: their two end points
    QString text;   // a label's caption, a field's text before any row
    QString field;  // fields: the data column bound to it
    QString format; // fields: how the engine formats the bound value
    ReportFont font;
    QColor foreground = Qt::black;
    QColor background; // invalid: transparent
    bool border = false;
    HAlign align = HAlign::Left;
    VAlign valign = VAlign::Top;
    bool visible = true;
    // The text wraps and the band grows to show all of it, pushing down the
    // controls below.
    bool canGrow = false;
};

struct ReportSection
{
    enum class Kind {
        ReportHeader,
        PageHeader,
        GroupHeader,
        Detail,
        GroupFooter,
        PageFooter,
        ReportFooter
    };

    QString name;
    Kind kind = Kind::Detail;
    int height = 0;
    QList<ReportControl> controls;
    // Group sections: a new group starts when this field's text changes.
    QString groupField;
    // A group header is never left alone at the foot of a page.
    bool keepWithNext = false;

    // The index of a control by name, or -1.
    int indexOf(const QString& controlName) const;
};

struct ReportDefinition
{
    QString title;
    QSize paper;      // the sheet as it is printed (landscape A4: 16838 x 11906)
    QMargins margins; // from the sheet's edges to the printable content
    QList<ReportSection> sections;

    // The index of the first section of that kind, or -1.
    int sectionOf(ReportSection::Kind kind) const;
    QRect contentRect() const { return QRect(QPoint(0, 0), paper).marginsRemoved(margins); }
};
