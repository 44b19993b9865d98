#pragma once

#include "network.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

// Builds a network's hierarchy behind the window, on a thread of low priority, while the plain
// searches answer: from the moment it is made the searches use it (the same answers, sooner),
// and the network's image is kept with it for the next opening.
class HierarchyBehind : public QObject
{
    Q_OBJECT

public:
    explicit HierarchyBehind(QObject *parent = nullptr);
    ~HierarchyBehind() override; // stops the build and waits for its thread

    // Builds `net`'s hierarchy when `build`, then keeps `later` when it is pending (with the
    // hierarchy, or with none where it was given up). A build for an earlier network stops
    // first.
    void start(std::shared_ptr<Network> net, Network::LaterImage later, bool build);
    void stop();
    // Whether a build (or the image after it) is still under way.
    bool busy() const { return running && !running->load(); }
    // Called on the building thread once a hierarchy is made, before it is used, with the flag
    // that stops the build (a test holds it there to route meanwhile, or to close the window).
    static void setBeforeUse(std::function<void(const std::atomic<bool> &stop)> hook);

signals:
    // The hierarchy is in use (made is false where it was given up): said on this object's
    // thread.
    void finished(bool made);

private:
    std::shared_ptr<std::atomic<bool>> cancel;
    std::shared_ptr<std::atomic<bool>> running; // true once the thread's work is over
    std::thread worker;
};
