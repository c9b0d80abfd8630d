// OpenGL's immediate mode for the browser, as the desktop has it, over
// Emscripten's emulation of it. The emulation stores each call's values in
// the order they come and takes every vertex of a batch to give the same
// attributes in the same order: a colour set once inside a batch (the game's
// score bar, the editor's panel) would shift every later vertex. Here the
// current colour and texture coordinate are kept, as OpenGL keeps them, and
// each batch is handed on with all three for every vertex. These are the
// immediate-mode calls the program makes.
#include <GL/gl.h>

#include <cstdint>
#include <vector>

extern "C" {
void emscripten_glBegin(GLenum Mode);
void emscripten_glEnd();
void emscripten_glColor4ub(GLubyte Red, GLubyte Green, GLubyte Blue, GLubyte Alpha);
void emscripten_glTexCoord2f(GLfloat S, GLfloat T);
void emscripten_glVertex3f(GLfloat X, GLfloat Y, GLfloat Z);
}

namespace {

struct TVertex {
    GLfloat X, Y, Z;
    GLfloat S, T;
    GLubyte Color[4];
};

// OpenGL's initial current colour is opaque white, its coordinate (0, 0).
GLubyte CurrentColor[4] = {255, 255, 255, 255};
GLfloat CurrentS = 0, CurrentT = 0;
GLenum BatchMode = 0;
bool InBatch = false;
// Kept between batches, so that a frame allocates nothing once it has grown.
std::vector<TVertex> Batch;

void AddVertex(GLfloat X, GLfloat Y, GLfloat Z) {
    if (!InBatch) return;  // as OpenGL: a vertex outside a batch draws nothing
    Batch.push_back(TVertex{X,
                            Y,
                            Z,
                            CurrentS,
                            CurrentT,
                            {CurrentColor[0], CurrentColor[1], CurrentColor[2], CurrentColor[3]}});
}

}  // namespace

extern "C" {

void glBegin(GLenum Mode) {
    BatchMode = Mode;
    InBatch = true;
    Batch.clear();
}

void glEnd() {
    if (!InBatch) return;
    InBatch = false;
    emscripten_glBegin(BatchMode);
    for (const TVertex& Vertex : Batch) {
        emscripten_glColor4ub(Vertex.Color[0], Vertex.Color[1], Vertex.Color[2], Vertex.Color[3]);
        emscripten_glTexCoord2f(Vertex.S, Vertex.T);
        emscripten_glVertex3f(Vertex.X, Vertex.Y, Vertex.Z);
    }
    emscripten_glEnd();
}

void glColor4ub(GLubyte Red, GLubyte Green, GLubyte Blue, GLubyte Alpha) {
    CurrentColor[0] = Red;
    CurrentColor[1] = Green;
    CurrentColor[2] = Blue;
    CurrentColor[3] = Alpha;
}

void glColor3ub(GLubyte Red, GLubyte Green, GLubyte Blue) {
    glColor4ub(Red, Green, Blue, 255);
}

void glTexCoord2f(GLfloat S, GLfloat T) {
    CurrentS = S;
    CurrentT = T;
}

void glVertex2i(GLint X, GLint Y) {
    AddVertex(GLfloat(X), GLfloat(Y), 0);
}

void glVertex2f(GLfloat X, GLfloat Y) {
    AddVertex(X, Y, 0);
}

void glVertex3f(GLfloat X, GLfloat Y, GLfloat Z) {
    AddVertex(X, Y, Z);
}

}  // extern "C"
