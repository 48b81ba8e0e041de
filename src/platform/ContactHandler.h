#pragma once

// Receives the contacts of a touch surface (an interactive whiteboard or a touch screen)
// in integer window coordinates (origin at the top left, y down). Each pointer id is one
// contact with a gesture of its own; z is not used.
class ContactHandler {
public:
    virtual ~ContactHandler() = default;
    virtual void OnXYDown(int x, int y, int z, int pointerId) = 0;
    virtual void OnXYMove(int x, int y, int z, int pointerId) = 0;
    virtual void OnXYUp(int x, int y, int z, int pointerId) = 0;
};
