#include "input/InputRouter.h"

#include "platform/ConstantProvider.h"
#include "platform/SurfaceEvent.h"
#include "platform/SurfaceManager.h"

InputRouter::InputRouter(SurfaceManager& scene, Route route)
    : scene_(scene), route_(std::move(route)) {
    auto& constants = ConstantProvider::getInstance();
    pressType_ = constants.getEventTypeIdentifier("PRESS");
    dragType_ = constants.getEventTypeIdentifier("DRAG");
    releaseType_ = constants.getEventTypeIdentifier("RELEASE");
}

double InputRouter::screenY(Source s, int y) const {
    std::uint32_t v = canvasHeight_ - static_cast<std::uint32_t>(y);
    if (s == Source::Contact) v -= 1u;
    return static_cast<double>(v);
}

PointerKey InputRouter::pointerOf(Source s, std::int64_t contact) {
    switch (s) {
        case Source::Tablet:
            return PointerKey::pen();
        case Source::Contact:
            return PointerKey::touch(contact);
        default:
            return PointerKey::mouse();
    }
}

void InputRouter::press(Source s, int x, int y, int altButton, float pressure,
                        std::int64_t contact) {
    const double sy = screenY(s, y);
    VisComponent* picked =
        scene_.getComponentAt(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(sy), true);
    if (picked) picked->moveNodeToFront();
    SurfaceEvent ev(pressType_, eventSource(s), static_cast<double>(x), sy, 0.0, nullptr, 1);
    ev.setPointer(pointerOf(s, contact));
    route_(ev, altButton, pressure, picked);
}

void InputRouter::move(Source s, int x, int y, float pressure, std::int64_t contact) {
    SurfaceEvent ev(dragType_, eventSource(s), static_cast<double>(x), screenY(s, y), 0.0, nullptr,
                    1);
    ev.setPointer(pointerOf(s, contact));
    route_(ev, -1, pressure, nullptr);
}

void InputRouter::release(Source s, int x, int y, int altButton, std::int64_t contact) {
    const double sy = screenY(s, y);
    VisComponent* picked =
        scene_.getComponentAt(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(sy), true);
    if (picked) scene_.addToUpdateList(picked->getId());
    SurfaceEvent ev(releaseType_, eventSource(s), static_cast<double>(x), sy, 0.0, nullptr, 1);
    ev.setPointer(pointerOf(s, contact));
    route_(ev, altButton, 1.0f, nullptr);
}
