#include "platform/VisComponentGL.h"

#include <GL/gl.h>

void VisComponentGL::preRender() {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
}

void VisComponentGL::postRender() {
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}
