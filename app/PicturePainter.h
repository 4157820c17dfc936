// Hole and round pictures in the window: the shapes of rounds/Picture.h painted with QPainter,
// and a view that draws the chosen hole (or the round's overview) scaled into its square.
#pragma once

#include <QWidget>

#include "rounds/Picture.h"

class QPainter;

namespace veldrant::app {

// The pictures' words in the window.
const rounds::PictureWords& JapanesePictureWords();

// `texts` false leaves out the titles and labels (for a preview too small to read them).
void PaintPicture(QPainter& painter, const rounds::Picture& picture, bool texts = true);

class CHolePictureView : public QWidget {
    Q_OBJECT

public:
    // The picture is laid out at this size and scaled to the view's.
    static constexpr int kLayoutSize = 640;
    // Below this side the view leaves out texts it would draw too small to read.
    static constexpr int kTextsFrom = 320;

    explicit CHolePictureView(QWidget* parent = nullptr);

    // A hole of `round` (hole < 0: the round's overview); null shows nothing. The round must
    // outlive the view's use of it.
    void Show(const rounds::Round* round, int hole);
    const rounds::Round* ShownRound() const { return round_; }
    int ShownHole() const { return hole_; }
    // What is drawn now (empty without a round).
    rounds::Picture CurrentPicture() const;

Q_SIGNALS:
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const rounds::Round* round_ = nullptr;
    int hole_ = -1;
};

}  // namespace veldrant::app
