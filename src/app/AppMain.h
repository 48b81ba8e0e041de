#pragma once

// Sets the default GL format (compatibility profile, 16 samples) and the application
// attributes; must run before the QApplication exists.
void prepareApplication();

// The program: opens the canvas window and runs the event loop; returns its exit code.
int runApplication(int argc, char** argv);
