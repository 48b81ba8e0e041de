#pragma once

#include "platform/VisComponent.h"

// A component drawn with OpenGL: its model-view matrix is saved around its drawing.
class VisComponentGL : public VisComponent {
protected:
    void preRender() override;
    void postRender() override;
};
