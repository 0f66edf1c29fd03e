#include "ui/WindowFrame.h"

#include <QEvent>
#include <QMargins>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace quillet::ui {
namespace {

/// Watches a window until its frame is known, then sizes the client area
/// once and goes away; later resizing is the user's.
class OuterSizeKeeper : public QObject {
  public:
    OuterSizeKeeper(QWidget* window, QSize outer) : QObject(window), window_(window), outer_(outer)
    {
        window->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A window manager reports its frame after it has wrapped the
        // window, which the window learns as a move.
        const QEvent::Type type = event->type();
        if (watched != window_ || (type != QEvent::Show && type != QEvent::Move))
            return false;
        const QWindow* handle = window_->windowHandle();
        const QMargins frame = handle ? handle->frameMargins() : QMargins();
        if (frame.isNull())
            return false;
        window_->removeEventFilter(this);
        window_->resize(outer_.width() - frame.left() - frame.right(),
                        outer_.height() - frame.top() - frame.bottom());
        deleteLater();
        return false;
    }

  private:
    QWidget* window_;
    QSize outer_;
};

/// The controls of one container that follow its right and bottom edges.
class EdgeKeeper : public QObject {
  public:
    explicit EdgeKeeper(QWidget* container) : QObject(container), container_(container)
    {
        container->installEventFilter(this);
    }

    struct Rule {
        QPointer<QWidget> child;
        Follow horizontal;
        int right;
        Follow vertical;
        int bottom;
    };

    void Add(const Rule& rule)
    {
        rules_.push_back(rule);
        Apply(rule);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == container_ && event->type() == QEvent::Resize)
            for (const Rule& rule : rules_)
                Apply(rule);
        return false;
    }

  private:
    void Apply(const Rule& rule) const
    {
        if (!rule.child)
            return;
        QRect g = rule.child->geometry();
        const QSize size = container_->size();
        const auto far = [](Follow follow, int start, int length, int edge) {
            if (follow == Follow::Move)
                return std::pair{edge - length, length};
            if (follow == Follow::Stretch)
                return std::pair{start, std::max(edge - start, 0)};
            return std::pair{start, length};
        };
        const auto [x, w] = far(rule.horizontal, g.x(), g.width(), size.width() - rule.right);
        const auto [y, h] = far(rule.vertical, g.y(), g.height(), size.height() - rule.bottom);
        g.setRect(x, y, w, h);
        rule.child->setGeometry(g);
    }

    QWidget* container_;
    std::vector<Rule> rules_;
};

} // namespace

void SetOuterSize(QWidget* window, QSize outer)
{
    window->resize(outer);
    new OuterSizeKeeper(window, outer);
}

void FollowEdges(QWidget* child, Follow horizontal, int right, Follow vertical, int bottom)
{
    QWidget* container = child->parentWidget();
    EdgeKeeper* keeper = nullptr;
    for (QObject* o : container->children())
        if ((keeper = dynamic_cast<EdgeKeeper*>(o)))
            break;
    if (!keeper)
        keeper = new EdgeKeeper(container);
    keeper->Add({child, horizontal, right, vertical, bottom});
}

} // namespace quillet::ui
