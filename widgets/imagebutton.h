#pragma once

#include <QLabel>
#include <QPixmap>
#include <QWidget>

namespace lumivox {

// A picture-only button: it paints nothing until the pointer moves over it, then shows its
// highlight picture from the top left corner, cut off at its own edge. The highlight stays
// until the window resets it, so the window decides when a button is back to normal.
class ImageButton : public QWidget {
    Q_OBJECT
  public:
    explicit ImageButton(const QString& name, QWidget* parent = nullptr);

    void setHighlightPicture(const QPixmap& picture) { highlightPicture_ = picture; }
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool on);

  signals:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPixmap highlightPicture_;
    bool highlighted_ = false;
};

// A label that acts as a link: bold while highlighted, clicked on release over it.
class LinkLabel : public QLabel {
    Q_OBJECT
  public:
    LinkLabel(const QString& name, const QString& text, QWidget* parent = nullptr);

    bool isHighlighted() const { return font().bold(); }
    void setHighlighted(bool on);

  signals:
    void clicked();
};

}  // namespace lumivox
