#include "app/after_first_paint.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace pixmora::app {
namespace {

class FirstPaintWatcher final : public QObject {
public:
    FirstPaintWatcher(QWindow* window, std::function<void()> work)
        : QObject(window), m_work(std::move(work))
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The filter sees the expose before the window paints for it; queued, the
        // work runs after that paint.
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            QMetaObject::invokeMethod(watched, std::exchange(m_work, {}), Qt::QueuedConnection);
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> m_work;
};

}  // namespace

void runAfterFirstPaint(QWidget* window, std::function<void()> work)
{
    QWindow* handle = window->windowHandle();
    if (handle == nullptr || handle->isExposed()) {
        QMetaObject::invokeMethod(window, std::move(work), Qt::QueuedConnection);
        return;
    }
    new FirstPaintWatcher(handle, std::move(work));
}

}  // namespace pixmora::app
