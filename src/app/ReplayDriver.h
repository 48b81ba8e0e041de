#pragma once

#include <functional>

#include <QPoint>
#include <QPointingDevice>
#include <map>
#include <memory>
#include <string>

#include "app/ReplayScript.h"

class CanvasWidget;

// Plays a script into the real canvas window through the toolkit's normal event delivery.
class ReplayDriver {
public:
    explicit ReplayDriver(CanvasWidget& widget);
    ~ReplayDriver();

    // Runs every command in order; false (with a message on standard error) when a command
    // cannot be carried out. A script that presses Escape ends the process inside this call.
    bool run(const ReplayScript& script);
    void runEventLoop(int ms);

private:
    bool runOne(const ReplayCommand& c);
    // Runs the event loop until no export runs, at most `ms` ms; false if one still runs.
    // Runs the event loop until `done`, at most ms; whether it is done.
    bool waitUntil(const std::function<bool()>& done, int ms);
    void mouse(const ReplayCommand& c);
    void tablet(const ReplayCommand& c);
    void touch(const ReplayCommand& c);
    void cancelTouch();
    void proximity(bool entered);
    void key(const std::string& text);

    CanvasWidget& widget_;
    Qt::MouseButtons held_ = Qt::NoButton;
    std::unique_ptr<QPointingDevice> pen_;
    std::unique_ptr<QPointingDevice> eraser_;
    QPointingDevice* touchDevice_ = nullptr;  // owned by the toolkit
    std::map<int, QPoint> contacts_;          // touch contacts down, by id
};
