// Fake OpenGL and GLU: records every call the units make, with its arguments.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>

#include "Fakes.h"

namespace fake {

std::vector<GLCall> GLCalls;
uint32_t NextTextureName = 1;
uint32_t BoundTexture = 0;
std::vector<MipmapUpload> Uploads;
int32_t UnpackAlignment = 4;

void ResetGL() {
    GLCalls.clear();
    NextTextureName = 1;
    BoundTexture = 0;
    Uploads.clear();
    UnpackAlignment = 4;
}

std::vector<GLCall> CallsNamed(const std::string& Name) {
    std::vector<GLCall> Result;
    for (const GLCall& Call : GLCalls)
        if (Call.Name == Name) Result.push_back(Call);
    return Result;
}

size_t CountCalls(const std::string& Name) {
    return CallsNamed(Name).size();
}

std::vector<Batch> Batches() {
    std::vector<Batch> Result;
    uint32_t Texture = 0;
    std::array<int32_t, 4> Color{};
    bool Open = false;
    for (size_t I = 0; I < GLCalls.size(); ++I) {
        const GLCall& Call = GLCalls[I];
        if (Call.Name == "glBindTexture") {
            Texture = static_cast<uint32_t>(Call.Args[1]);
        } else if (Call.Name == "glColor4ub") {
            for (int I = 0; I < 4; ++I) Color[I] = static_cast<int32_t>(Call.Args[I]);
        } else if (Call.Name == "glBegin") {
            Result.emplace_back();
            Result.back().Texture = Texture;
            Result.back().BeginIndex = I;
            Open = true;
        } else if (Call.Name == "glEnd") {
            Open = false;
        } else if (Open && Call.Name.rfind("glVertex", 0) == 0) {
            if (Result.back().Vertices.empty()) Result.back().Color = Color;
            Result.back().VertexCall = Call.Name;
            Result.back().Vertices.emplace_back(Call.Args[0], Call.Args[1]);
        } else if (Open && Call.Name == "glTexCoord2f") {
            Result.back().TexCoords.emplace_back(Call.Args[0], Call.Args[1]);
        }
    }
    return Result;
}

static void Record(const char* Name, std::vector<double> Args) {
    GLCalls.push_back(GLCall{Name, std::move(Args)});
}

}  // namespace fake

using fake::Record;

extern "C" {

void glBegin(GLenum mode) {
    Record("glBegin", {double(mode)});
}
void glEnd() {
    Record("glEnd", {});
}
void glVertex2i(GLint x, GLint y) {
    Record("glVertex2i", {double(x), double(y)});
}
void glVertex2f(GLfloat x, GLfloat y) {
    Record("glVertex2f", {x, y});
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    Record("glVertex3f", {x, y, z});
}
void glTexCoord2f(GLfloat s, GLfloat t) {
    Record("glTexCoord2f", {s, t});
}
void glColor3ub(GLubyte r, GLubyte g, GLubyte b) {
    Record("glColor3ub", {double(r), double(g), double(b)});
}
void glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a) {
    Record("glColor4ub", {double(r), double(g), double(b), double(a)});
}
void glEnable(GLenum cap) {
    Record("glEnable", {double(cap)});
}
void glDisable(GLenum cap) {
    Record("glDisable", {double(cap)});
}
void glBlendFunc(GLenum s, GLenum d) {
    Record("glBlendFunc", {double(s), double(d)});
}
void glBindTexture(GLenum target, GLuint texture) {
    fake::BoundTexture = texture;
    Record("glBindTexture", {double(target), double(texture)});
}
void glTexParameteri(GLenum target, GLenum pname, GLint param) {
    Record("glTexParameteri",
           {double(target), double(pname), double(param), double(fake::BoundTexture)});
}
void glTexEnvi(GLenum target, GLenum pname, GLint param) {
    Record("glTexEnvi", {double(target), double(pname), double(param)});
}
void glGenTextures(GLsizei n, GLuint* textures) {
    for (GLsizei i = 0; i < n; ++i) textures[i] = fake::NextTextureName++;
    Record("glGenTextures", {double(n)});
}
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
    Record("glViewport", {double(x), double(y), double(w), double(h)});
}
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    Record("glClearColor", {r, g, b, a});
}
void glClear(GLbitfield mask) {
    Record("glClear", {double(mask)});
}
void glMatrixMode(GLenum mode) {
    Record("glMatrixMode", {double(mode)});
}
void glLoadIdentity() {
    Record("glLoadIdentity", {});
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    Record("glTranslatef", {x, y, z});
}
void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    Record("glScalef", {x, y, z});
}
void glPushMatrix() {
    Record("glPushMatrix", {});
}
void glPopMatrix() {
    Record("glPopMatrix", {});
}
void glPixelStorei(GLenum pname, GLint param) {
    if (pname == GL_UNPACK_ALIGNMENT) fake::UnpackAlignment = param;
    Record("glPixelStorei", {double(pname), double(param)});
}

// Nearest-pixel scaling, enough to follow which pixels went where.
GLint gluScaleImage(GLenum format, GLint wIn, GLint hIn, GLenum typeIn, const void* dataIn,
                    GLint wOut, GLint hOut, GLenum typeOut, GLvoid* dataOut) {
    Record("gluScaleImage", {double(format), double(wIn), double(hIn), double(typeIn), double(wOut),
                             double(hOut), double(typeOut)});
    const size_t Bpp = format == GL_RGBA ? 4 : format == GL_RGB ? 3 : 0;
    const uint8_t* In = static_cast<const uint8_t*>(dataIn);
    uint8_t* Out = static_cast<uint8_t*>(dataOut);
    for (GLint y = 0; y < hOut; ++y)
        for (GLint x = 0; x < wOut; ++x)
            std::memcpy(
                Out + (size_t(y) * wOut + x) * Bpp,
                In +
                    (size_t(int64_t(y) * hIn / hOut) * wIn + size_t(int64_t(x) * wIn / wOut)) * Bpp,
                Bpp);
    return 0;
}

GLint gluBuild2DMipmaps(GLenum target, GLint components, GLsizei width, GLsizei height,
                        GLenum format, GLenum type, const void* data) {
    Record("gluBuild2DMipmaps", {double(target), double(components), double(width), double(height),
                                 double(format), double(type)});
    fake::MipmapUpload Upload{fake::BoundTexture, components, width, height, format, {}};
    Upload.UnpackAlignment = fake::UnpackAlignment;
    size_t Bpp = format == GL_RGBA ? 4 : format == GL_RGB ? 3 : 0;
    if (data && Bpp) {
        size_t Size = size_t(width) * size_t(height) * Bpp;
        Upload.Pixels.resize(Size);
        std::memcpy(Upload.Pixels.data(), data, Size);
    }
    fake::Uploads.push_back(std::move(Upload));
    return 0;
}

}  // extern "C"
