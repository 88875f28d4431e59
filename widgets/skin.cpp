#include "widgets/skin.h"

#include <QApplication>
#include <QColor>
#include <QFile>
#include <QFontDatabase>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>
#include <QWidget>

// Resources of a static library must be registered by name, outside any namespace.
static void initLumivoxResources() {
    Q_INIT_RESOURCE(lumivox);
}

namespace lumivox {

namespace {

struct SkinState {
    QString styleTemplate;
    QColor accent{0x1d, 0x6b, 0x68};  // dark teal, as the corner highlights
    int stripAlpha = 255;
};

SkinState& skin() {
    static SkinState state;
    return state;
}

void ensureResources() {
    static const bool done = [] {
        initLumivoxResources();
        return true;
    }();
    (void)done;
}

QPalette skinPalette() {
    QPalette p = QApplication::palette();
    p.setColor(QPalette::Window, QColor(0xf4, 0xf7, 0xf7));
    p.setColor(QPalette::WindowText, QColor(0x23, 0x2b, 0x2b));
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(0xee, 0xf4, 0xf3));
    p.setColor(QPalette::Text, QColor(0x23, 0x2b, 0x2b));
    p.setColor(QPalette::Button, QColor(0xe9, 0xef, 0xee));
    p.setColor(QPalette::ButtonText, QColor(0x23, 0x2b, 0x2b));
    p.setColor(QPalette::Highlight, skin().accent);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(0xff, 0xff, 0xf4));
    p.setColor(QPalette::ToolTipText, Qt::black);
    return p;
}

void applyStyleSheet() {
    const SkinState& s = skin();
    if (s.styleTemplate.isEmpty() || qApp == nullptr) {
        return;
    }
    QColor strip = s.accent.lighter(520);
    strip.setAlpha(s.stripAlpha);
    QString sheet = s.styleTemplate;
    sheet.replace(QStringLiteral("@accent@"), s.accent.name());
    sheet.replace(QStringLiteral("@accentDark@"), s.accent.darker(130).name());
    sheet.replace(QStringLiteral("@accentLight@"), s.accent.lighter(560).name());
    sheet.replace(QStringLiteral("@strip@"), strip.name(QColor::HexArgb));
    qApp->setStyleSheet(sheet);
}

}  // namespace

int SkinH_Attach() {
    ensureResources();
    QFile file(QStringLiteral(":/lumivox/skin.qss"));
    if (!file.open(QIODevice::ReadOnly)) {
        return 1;
    }
    skin().styleTemplate = QString::fromUtf8(file.readAll());
    QApplication::setPalette(skinPalette());
    QApplication::setFont(uiFont(9));
    applyStyleSheet();
    return 0;
}

int SkinH_Aero(QWidget* window) {
    if (window == nullptr) {
        return 1;
    }
    window->setPalette(skinPalette());
    window->setAutoFillBackground(true);
    return 0;
}

int SkinH_Aero_Adjust(int alpha, int, int, int, int, int, int crRed, int crGreen, int crBlue) {
    skin().stripAlpha = qBound(0, alpha, 255);
    if (crRed != 0 || crGreen != 0 || crBlue != 0) {
        skin().accent =
            QColor(qBound(0, crRed, 255), qBound(0, crGreen, 255), qBound(0, crBlue, 255));
    }
    applyStyleSheet();
    return 0;
}

QFont uiFont(double points, bool bold) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    QStringList families{font.family()};
    // Prefer a real CJK face behind the Latin one; fontconfig's fallback covers the rest.
    static const QStringList cjk = [] {
        QStringList found;
        const QStringList installed = QFontDatabase::families();
        for (const char* name :
             {"Noto Sans CJK SC", "Noto Sans SC", "WenQuanYi Micro Hei", "Noto Serif CJK SC"}) {
            if (installed.contains(QString::fromLatin1(name))) {
                found << QString::fromLatin1(name);
                break;
            }
        }
        return found;
    }();
    families << cjk;
    font.setFamilies(families);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QPixmap resourcePicture(const QString& name, int width, int height) {
    ensureResources();
    QPixmap picture(width, height);
    picture.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/lumivox/") + name);
    if (renderer.isValid()) {
        QPainter painter(&picture);
        renderer.render(&painter);
    }
    return picture;
}

}  // namespace lumivox
