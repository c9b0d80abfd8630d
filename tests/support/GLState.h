// The OpenGL state that recorded calls leave (fake::GLCalls), for tests that
// check what a drawing means rather than which calls made it: where a vertex
// lands, which capabilities are on, how colours blend.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Fakes.h"

// A matrix that scales and shifts each axis, all that the program's drawing
// uses: a point P goes to Scale * P + Offset.
struct TAxisMatrix {
    std::array<double, 3> Scale{1, 1, 1}, Offset{0, 0, 0};
    TAxisMatrix Times(const TAxisMatrix& M) const {
        TAxisMatrix Product;
        for (int I = 0; I < 3; ++I) {
            Product.Scale[I] = Scale[I] * M.Scale[I];
            Product.Offset[I] = Scale[I] * M.Offset[I] + Offset[I];
        }
        return Product;
    }
    std::pair<double, double> operator()(double X, double Y) const {
        return {Scale[0] * X + Offset[0], Scale[1] * Y + Offset[1]};
    }
};

// The state after the first Calls recorded calls, from GL's own defaults: the
// matrices with their stacks, the viewport, the capabilities on, the blend
// factors and the last colour clear.
struct TGLState {
    std::map<double, std::vector<TAxisMatrix>> Stacks;
    double Mode = GL_MODELVIEW;
    std::vector<double> Viewport, ClearColor;
    std::vector<double> BlendFunc{GL_ONE, GL_ZERO};
    std::set<double> Enabled;
    size_t LastClear = 0;

    explicit TGLState(size_t Calls = fake::GLCalls.size()) {
        for (double Stack : {GL_MODELVIEW, GL_PROJECTION, GL_TEXTURE})
            Stacks[Stack] = {TAxisMatrix()};
        for (size_t I = 0; I < Calls; ++I) {
            const std::string& Name = fake::GLCalls[I].Name;
            const std::vector<double>& A = fake::GLCalls[I].Args;
            std::vector<TAxisMatrix>& Stack = Stacks[Mode];
            TAxisMatrix& M = Stack.back();
            if (Name == "glMatrixMode") Mode = A[0];
            if (Name == "glLoadIdentity") M = {};
            if (Name == "glPushMatrix") Stack.push_back(M);
            if (Name == "glPopMatrix" && Stack.size() > 1) Stack.pop_back();
            if (Name == "glTranslatef") M = M.Times({{1, 1, 1}, {A[0], A[1], A[2]}});
            if (Name == "glScalef") M = M.Times({{A[0], A[1], A[2]}, {0, 0, 0}});
            if (Name == "glOrtho")
                M = M.Times({{2 / (A[1] - A[0]), 2 / (A[3] - A[2]), -2 / (A[5] - A[4])},
                             {-(A[1] + A[0]) / (A[1] - A[0]), -(A[3] + A[2]) / (A[3] - A[2]),
                              -(A[5] + A[4]) / (A[5] - A[4])}});
            if (Name == "glViewport") Viewport = A;
            if (Name == "glClearColor") ClearColor = A;
            if (Name == "glClear" && (int(A[0]) & GL_COLOR_BUFFER_BIT)) LastClear = I;
            if (Name == "glEnable") Enabled.insert(A[0]);
            if (Name == "glDisable") Enabled.erase(A[0]);
            if (Name == "glBlendFunc") BlendFunc = A;
        }
    }
    const TAxisMatrix& Matrix(double Which) { return Stacks[Which].back(); }
    bool IsOn(double Capability) const { return Enabled.count(Capability) > 0; }
    // The framebuffer position, counted from its top-left corner of a
    // framebuffer Height pixels high, where vertex (X, Y) lands, to a
    // thousandth of a pixel.
    std::pair<double, double> PixelOf(double X, double Y, double Height) {
        auto [Right, Up] = Matrix(GL_PROJECTION).Times(Matrix(GL_MODELVIEW))(X, Y);
        Right = Viewport[0] + (Right + 1) / 2 * Viewport[2];
        Up = Viewport[1] + (Up + 1) / 2 * Viewport[3];
        return {std::round(Right * 1000) / 1000, std::round((Height - Up) * 1000) / 1000};
    }
};
