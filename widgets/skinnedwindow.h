#pragma once

#include <QObject>

#include <functional>
#include <vector>

class QWidget;

namespace lumivox {

class ImageButton;
class LinkLabel;

// The image-button rules of a window: a button lights up when the pointer moves over it and
// stays lit until the pointer next crosses the window's bare background, which resets every
// registered highlight in the order they were added. Moving over the background with the left
// button held drags the window.
class SkinnedWindow : public QObject {
    Q_OBJECT
  public:
    SkinnedWindow(QWidget* window, QWidget* background);

    void add(ImageButton* button);
    void add(LinkLabel* label);
    void resetHighlights();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* window_;
    QWidget* background_;
    std::vector<std::function<void()>> resets_;
};

// The three image buttons a dialog keeps beyond its right edge, where the pointer never reaches
// them: its action (OK, send), back and exit, made at left, top and registered, with the
// dialog's bare background, in the order the background resets them: exit, back, action.
struct DialogImageButtons {
    ImageButton* action;
    ImageButton* back;
    ImageButton* exit;
};
DialogImageButtons addDialogImageButtons(QWidget* dialog, const QString& actionName, int left,
                                         int top);

}  // namespace lumivox
