#pragma once

// Receives the contacts of a touch surface (an interactive whiteboard or a touch screen)
// in integer window coordinates (origin at the top left, y down). z and the pointer id are
// delivered but contacts are treated as one pointer.
class ContactHandler {
public:
    virtual ~ContactHandler() = default;
    virtual void OnXYDown(int x, int y, int z, int pointerId) = 0;
    virtual void OnXYMove(int x, int y, int z, int pointerId) = 0;
    virtual void OnXYUp(int x, int y, int z, int pointerId) = 0;
};
