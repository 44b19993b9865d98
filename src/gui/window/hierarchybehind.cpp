#include "hierarchybehind.h"

#include "hierarchy.h"

#include <QMetaObject>
#include <QThread>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#endif

#include <system_error>
#include <thread>

namespace {

void lowerPriority()
{
    QThread::currentThread()->setPriority(QThread::LowPriority);
#ifdef Q_OS_LINUX
    // Linux's default scheduler ignores a thread's Qt priority, not its nice value (which, on
    // Linux, belongs to the calling thread alone).
    setpriority(PRIO_PROCESS, 0, 10);
#endif
}

std::function<void(const std::atomic<bool> &)> &beforeUse()
{
    static std::function<void(const std::atomic<bool> &)> hook;
    return hook;
}

} // namespace

void HierarchyBehind::setBeforeUse(std::function<void(const std::atomic<bool> &)> hook)
{
    beforeUse() = std::move(hook);
}

HierarchyBehind::HierarchyBehind(QObject *parent) : QObject(parent) {}

HierarchyBehind::~HierarchyBehind()
{
    stop();
}

void HierarchyBehind::stop()
{
    if (cancel)
        *cancel = true;
    if (worker.joinable())
        worker.join();
    cancel.reset();
    running.reset();
}

void HierarchyBehind::start(std::shared_ptr<Network> net, Network::LaterImage later, bool build)
{
    stop();
    if (!net || (!build && !later.pending()))
        return;
    cancel = std::make_shared<std::atomic<bool>>(false);
    running = std::make_shared<std::atomic<bool>>(false);
    auto work = [this, net, later = std::move(later), build, cancel = cancel, done = running] {
        lowerPriority();
        std::shared_ptr<const Hierarchy> made;
        try {
            // First the image without it, read at the next opening even where this build
            // never ends (the program closed meanwhile): it says the hierarchy is still to make.
            // Written beside the build's start, which it only reads.
            std::thread early;
            const auto writeEarly = [&] {
                try {
                    net->keepImage(later, nullptr, true);
                } catch (...) { // out of memory: the image with the hierarchy may still be kept
                }
            };
            if (build && later.pending() && !later.written && !*cancel) {
                try {
                    early = std::thread(writeEarly);
                } catch (const std::system_error &) {
                    writeEarly();
                }
            }
            const struct Joined
            {
                std::thread &t;
                ~Joined()
                {
                    if (t.joinable())
                        t.join();
                }
            } joined{early};
            if (build) {
                auto h = std::make_shared<const Hierarchy>(
                    Hierarchy::build(*net, cancel.get(), Hierarchy::unhurriedBudget(*net)));
                if (!h->empty())
                    made = std::move(h);
            }
            if (early.joinable())
                early.join(); // (the image with the hierarchy goes to the same file)
            if (made && beforeUse())
                beforeUse()(*cancel);
            if (!*cancel) {
                net->useHierarchy(made); // searches on the GUI's threads see it from here on
                // (Dropped by Qt where this object is gone: it waits for the thread first.)
                QMetaObject::invokeMethod(
                    this, [this, ok = bool(made)] { emit finished(ok); }, Qt::QueuedConnection);
                // Given up is kept too: the next opening does not try again.
                if (later.pending() && !*cancel)
                    net->keepImage(later, made.get());
            }
        } catch (...) {
            // No room for it (out of memory): the plain searches go on, no image is kept.
        }
        *done = true;
    };
    try {
        worker = std::thread(std::move(work));
    } catch (const std::system_error &) {
        running.reset(); // no thread to be had: the plain searches serve
    }
}
