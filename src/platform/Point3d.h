#pragma once

struct Point3d {
    double x = 0.0, y = 0.0, z = 0.0;
    Point3d() = default;
    Point3d(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
};
