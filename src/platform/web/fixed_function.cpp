// OpenGL 1.1 as the game uses it, answered over WebGL 1. See
// fixed_function.h for what is kept; the entry points are the game's own
// gl* calls, renamed by gl_fixed_function.h.
#include "platform/web/fixed_function.h"

#include <GLES2/gl2.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unordered_set>
#include <vector>

namespace {

// Desktop enums the game passes that WebGL 1 does not define.
constexpr GLenum kQuads = 0x0007;
constexpr GLenum kModelView = 0x1700;
constexpr GLenum kProjection = 0x1701;
constexpr GLenum kVertexArray = 0x8074;
constexpr GLenum kTextureCoordArray = 0x8078;
constexpr GLenum kFog = 0x0B60;
constexpr GLenum kFogStart = 0x0B63;
constexpr GLenum kFogEnd = 0x0B64;
constexpr GLenum kFogColour = 0x0B66;

// Quads drawn by one call at most: their corners must be numbered by
// 16-bit indices.
constexpr int kMaxQuadsPerDraw = 16383;

// A 4 x 4 matrix stored by columns, as OpenGL keeps it.
struct Matrix {
    float m[16];
};

constexpr Matrix kIdentity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix r{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.m[k * 4 + row] * b.m[col * 4 + k];
            r.m[col * 4 + row] = sum;
        }
    return r;
}

// One corner as the shader takes it.
struct Corner {
    float x, y, z, s, t;
};
static_assert(sizeof(Corner) == 20, "corners are packed");

const char* const kVertexShader = R"(
attribute vec3 aPosition;
attribute vec2 aTexCoord;
uniform mat4 uTransform;
uniform mat4 uModelView;
varying vec2 vTexCoord;
varying float vEyeDepth;
void main() {
    vTexCoord = aTexCoord;
    vEyeDepth = -(uModelView * vec4(aPosition, 1.0)).z;
    gl_Position = uTransform * vec4(aPosition, 1.0);
}
)";

// The desktop's texture environment, GL_MODULATE: the texel times the
// current colour; without a usable texture, the colour alone. Then linear
// fog, when on, over the eye-space depth as the desktop drivers take it:
// the colour goes toward the fog's from start to end, alpha unchanged.
const char* const kFragmentShader = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
varying vec2 vTexCoord;
uniform sampler2D uTexture;
uniform vec4 uColour;
uniform float uTextured;
varying float vEyeDepth;
uniform float uFog;
uniform vec2 uFogRange;
uniform vec3 uFogColour;
void main() {
    vec4 colour = uColour;
    if (uTextured > 0.5) colour *= texture2D(uTexture, vTexCoord);
    if (uFog > 0.5) {
        float f = clamp((uFogRange.y - abs(vEyeDepth)) / max(uFogRange.y - uFogRange.x, 1e-6), 0.0, 1.0);
        colour.rgb = mix(uFogColour, colour.rgb, f);
    }
    gl_FragColor = colour;
}
)";

struct State {
    bool started = false;
    GLuint program = 0, vertexBuffer = 0, indexBuffer = 0, frameTexture = 0;
    // Where the 3D view is drawn: an offscreen picture, never shown. The
    // canvas gets only the finished picture (glDrawPixels), so a pause in
    // mid-frame, when the browser shows the canvas, never shows a picture
    // half drawn, as a desktop window never shows its back buffer.
    GLuint offscreen = 0, offscreenColour = 0, offscreenDepth = 0;
    bool onCanvas = false;  // the canvas, not the offscreen picture, is bound
    GLsizei frameTextureWidth = 0, frameTextureHeight = 0;
    GLenum frameTextureFormat = 0;
    GLint transformAt = -1, colourAt = -1, texturedAt = -1, textureAt = -1;
    GLint modelViewAt = -1, fogAt = -1, fogRangeAt = -1, fogColourAt = -1;
    int drawingWidth = 0, drawingHeight = 0;
    GLint viewport[4] = {0, 0, 0, 0};

    std::vector<Matrix> modelView{kIdentity}, projection{kIdentity};
    GLenum matrixMode = kModelView;

    bool texturing = false;
    bool depthTest = false;
    // Linear fog: on, start, end and colour (the desktop's defaults).
    bool fog = false;
    float fogRange[2] = {0, 1};
    float fogColour[3] = {0, 0, 0};
    float colour[4] = {1, 1, 1, 1};
    float texCoord[2] = {0, 0};
    GLuint boundTexture = 0;
    std::unordered_set<GLuint> textures;          // every name made, deleted at the stop
    std::unordered_set<GLuint> picturedTextures;  // names that hold a picture
    float zoom[2] = {1, 1};
    GLint packAlignment = 4;

    bool vertexArray = false, texCoordArray = false;
    GLint vertexSize = 0, texCoordSize = 0;
    GLenum vertexType = 0, texCoordType = 0;
    GLsizei vertexStride = 0, texCoordStride = 0;
    const uint8_t* vertexPointer = nullptr;
    const uint8_t* texCoordPointer = nullptr;

    bool inBegin = false;
    std::vector<Corner> immediate;  // the corners since glBegin
    std::vector<Corner> scratch;
    std::vector<uint8_t> readScratch;
};

State g;

std::vector<Matrix>& CurrentStack() { return g.matrixMode == kProjection ? g.projection : g.modelView; }

void MultiplyCurrent(const Matrix& by) {
    Matrix& top = CurrentStack().back();
    top = Multiply(top, by);
}

GLuint Compile(GLenum kind, const char* source) {
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[512] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "delver: the WebGL shader did not compile: %s\n", log);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

bool PowerOfTwo(GLsizei n) { return n > 0 && (n & (n - 1)) == 0; }

// Draws quads (four corners each) with the current matrices, colour and
// texture.
void DrawQuads(const Corner* corners, size_t quadCount) {
    if (!g.started || quadCount == 0) return;
    const Matrix transform = Multiply(g.projection.back(), g.modelView.back());
    glUseProgram(g.program);
    glUniformMatrix4fv(g.transformAt, 1, GL_FALSE, transform.m);
    glUniformMatrix4fv(g.modelViewAt, 1, GL_FALSE, g.modelView.back().m);
    glUniform1f(g.fogAt, g.fog ? 1.0f : 0.0f);
    glUniform2fv(g.fogRangeAt, 1, g.fogRange);
    glUniform3fv(g.fogColourAt, 1, g.fogColour);
    glUniform4fv(g.colourAt, 1, g.colour);
    const bool textured = g.texturing && g.picturedTextures.count(g.boundTexture) != 0;
    glUniform1f(g.texturedAt, textured ? 1.0f : 0.0f);
    glUniform1i(g.textureAt, 0);
    glBindBuffer(GL_ARRAY_BUFFER, g.vertexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, g.indexBuffer);
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    for (size_t done = 0; done < quadCount;) {
        const size_t n = std::min<size_t>(quadCount - done, kMaxQuadsPerDraw);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(n * 4 * sizeof(Corner)), corners + done * 4,
                     GL_STREAM_DRAW);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Corner), reinterpret_cast<const void*>(0));
        glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(Corner), reinterpret_cast<const void*>(12));
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(n * 6), GL_UNSIGNED_SHORT, nullptr);
        done += n;
    }
}

// (Re)makes the offscreen picture at the drawing buffer's size and leaves
// it bound; its depth buffer has 16 bits, as the desktop window's.
bool MakeOffscreen() {
    if (!g.offscreen) glGenFramebuffers(1, &g.offscreen);
    if (!g.offscreenColour) glGenTextures(1, &g.offscreenColour);
    if (!g.offscreenDepth) glGenRenderbuffers(1, &g.offscreenDepth);
    glBindTexture(GL_TEXTURE_2D, g.offscreenColour);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, g.drawingWidth, g.drawingHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, g.boundTexture);
    glBindRenderbuffer(GL_RENDERBUFFER, g.offscreenDepth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, g.drawingWidth, g.drawingHeight);
    glBindFramebuffer(GL_FRAMEBUFFER, g.offscreen);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, g.offscreenColour, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, g.offscreenDepth);
    g.onCanvas = false;
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void DrawOffscreen() {
    if (!g.onCanvas) return;
    glBindFramebuffer(GL_FRAMEBUFFER, g.offscreen);
    g.onCanvas = false;
}

void DrawOnCanvas() {
    if (g.onCanvas) return;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    g.onCanvas = true;
}

// Draws one textured quad in window pixels (x0, y0)-(x1, y1) of the
// drawing buffer, untouched by the depth test, the viewport and the
// matrices, then puts the game's state back.
void DrawWindowQuad(GLuint texture, float x1, float y1) {
    const float right = 2.0f * x1 / g.drawingWidth - 1.0f;
    const float top = 2.0f * y1 / g.drawingHeight - 1.0f;
    const Corner quad[4] = {{-1, -1, 0, 0, 0}, {right, -1, 0, 1, 0}, {right, top, 0, 1, 1}, {-1, top, 0, 0, 1}};

    const std::vector<Matrix> modelView = g.modelView, projection = g.projection;
    const bool texturing = g.texturing, fog = g.fog;
    const GLuint bound = g.boundTexture;
    float colour[4];
    std::memcpy(colour, g.colour, sizeof colour);
    g.modelView = {kIdentity};
    g.projection = {kIdentity};
    g.texturing = true;
    g.fog = false;
    g.boundTexture = texture;
    g.picturedTextures.insert(texture);
    g.colour[0] = g.colour[1] = g.colour[2] = g.colour[3] = 1.0f;
    glBindTexture(GL_TEXTURE_2D, texture);
    if (g.depthTest) glDisable(GL_DEPTH_TEST);
    glViewport(0, 0, g.drawingWidth, g.drawingHeight);

    DrawQuads(quad, 1);

    glViewport(g.viewport[0], g.viewport[1], g.viewport[2], g.viewport[3]);
    if (g.depthTest) glEnable(GL_DEPTH_TEST);
    std::memcpy(g.colour, colour, sizeof colour);
    g.modelView = modelView;
    g.projection = projection;
    g.texturing = texturing;
    g.fog = fog;
    g.boundTexture = bound;
    glBindTexture(GL_TEXTURE_2D, bound);
}

float ReadFloat(const uint8_t* p) {
    float f;
    std::memcpy(&f, p, sizeof f);
    return f;
}

}  // namespace

namespace delver::web {

bool StartFixedFunction(int drawingWidth, int drawingHeight) {
    StopFixedFunction();
    const GLuint vs = Compile(GL_VERTEX_SHADER, kVertexShader);
    const GLuint fs = Compile(GL_FRAGMENT_SHADER, kFragmentShader);
    if (!vs || !fs) return false;
    g.program = glCreateProgram();
    glAttachShader(g.program, vs);
    glAttachShader(g.program, fs);
    glBindAttribLocation(g.program, 0, "aPosition");
    glBindAttribLocation(g.program, 1, "aTexCoord");
    glLinkProgram(g.program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint linked = 0;
    glGetProgramiv(g.program, GL_LINK_STATUS, &linked);
    if (!linked) {
        std::fprintf(stderr, "delver: the WebGL shader program did not link\n");
        glDeleteProgram(g.program);
        g.program = 0;
        return false;
    }
    g.transformAt = glGetUniformLocation(g.program, "uTransform");
    g.colourAt = glGetUniformLocation(g.program, "uColour");
    g.texturedAt = glGetUniformLocation(g.program, "uTextured");
    g.textureAt = glGetUniformLocation(g.program, "uTexture");
    g.modelViewAt = glGetUniformLocation(g.program, "uModelView");
    g.fogAt = glGetUniformLocation(g.program, "uFog");
    g.fogRangeAt = glGetUniformLocation(g.program, "uFogRange");
    g.fogColourAt = glGetUniformLocation(g.program, "uFogColour");

    // Quad q's corners are 4q..4q+3; its triangles (0, 1, 2) and (0, 2, 3).
    std::vector<uint16_t> indices(static_cast<size_t>(kMaxQuadsPerDraw) * 6);
    for (int q = 0; q < kMaxQuadsPerDraw; ++q) {
        const uint16_t base = static_cast<uint16_t>(q * 4);
        const uint16_t order[6] = {0, 1, 2, 0, 2, 3};
        for (int i = 0; i < 6; ++i) indices[static_cast<size_t>(q) * 6 + i] = static_cast<uint16_t>(base + order[i]);
    }
    glGenBuffers(1, &g.indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, g.indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(uint16_t)), indices.data(),
                 GL_STATIC_DRAW);
    glGenBuffers(1, &g.vertexBuffer);

    glGenTextures(1, &g.frameTexture);
    glBindTexture(GL_TEXTURE_2D, g.frameTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);

    g.started = true;
    g.drawingWidth = drawingWidth;
    g.drawingHeight = drawingHeight;
    if (!MakeOffscreen()) {
        std::fprintf(stderr, "delver: WebGL could not make the offscreen picture\n");
        StopFixedFunction();
        return false;
    }
    glViewport(0, 0, drawingWidth, drawingHeight);
    g.viewport[0] = g.viewport[1] = 0;
    g.viewport[2] = drawingWidth;
    g.viewport[3] = drawingHeight;
    return true;
}

void ResizeFixedFunction(int drawingWidth, int drawingHeight) {
    if (!g.started) return;
    g.drawingWidth = drawingWidth;
    g.drawingHeight = drawingHeight;
    MakeOffscreen();
}

void StopFixedFunction() {
    if (g.started) {
        for (GLuint name : g.textures) glDeleteTextures(1, &name);
        glDeleteTextures(1, &g.frameTexture);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &g.offscreen);
        glDeleteTextures(1, &g.offscreenColour);
        glDeleteRenderbuffers(1, &g.offscreenDepth);
        glDeleteBuffers(1, &g.vertexBuffer);
        glDeleteBuffers(1, &g.indexBuffer);
        glDeleteProgram(g.program);
    }
    g = State{};
}

}  // namespace delver::web

// --- the game's calls ----------------------------------------------------

extern "C" {

void delver_glMatrixMode(GLenum mode) {
    if (mode == kModelView || mode == kProjection) g.matrixMode = mode;
}

void delver_glLoadIdentity() { CurrentStack().back() = kIdentity; }

void delver_glPushMatrix() {
    auto& stack = CurrentStack();
    stack.push_back(stack.back());
}

void delver_glPopMatrix() {
    auto& stack = CurrentStack();
    if (stack.size() > 1) stack.pop_back();  // the desktop refuses to pop the last one too
}

void delver_glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    Matrix t = kIdentity;
    t.m[12] = x;
    t.m[13] = y;
    t.m[14] = z;
    MultiplyCurrent(t);
}

void delver_glScalef(GLfloat x, GLfloat y, GLfloat z) {
    Matrix s = kIdentity;
    s.m[0] = x;
    s.m[5] = y;
    s.m[10] = z;
    MultiplyCurrent(s);
}

void delver_glRotatef(GLfloat degrees, GLfloat x, GLfloat y, GLfloat z) {
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0f) return;
    x /= length;
    y /= length;
    z /= length;
    const double radians = static_cast<double>(degrees) * M_PI / 180.0;
    const float s = static_cast<float>(std::sin(radians));
    const float c = static_cast<float>(std::cos(radians));
    const float k = 1.0f - c;
    Matrix r = kIdentity;
    r.m[0] = x * x * k + c;
    r.m[1] = y * x * k + z * s;
    r.m[2] = x * z * k - y * s;
    r.m[4] = x * y * k - z * s;
    r.m[5] = y * y * k + c;
    r.m[6] = y * z * k + x * s;
    r.m[8] = x * z * k + y * s;
    r.m[9] = y * z * k - x * s;
    r.m[10] = z * z * k + c;
    MultiplyCurrent(r);
}

void delver_gluPerspective(double fovy, double aspect, double zNear, double zFar) {
    const double radians = fovy / 2.0 * M_PI / 180.0;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0.0 || sine == 0.0 || aspect == 0.0) return;
    const double cotangent = std::cos(radians) / sine;
    Matrix p{};
    p.m[0] = static_cast<float>(cotangent / aspect);
    p.m[5] = static_cast<float>(cotangent);
    p.m[10] = static_cast<float>(-(zFar + zNear) / deltaZ);
    p.m[11] = -1.0f;
    p.m[14] = static_cast<float>(-2.0 * zNear * zFar / deltaZ);
    MultiplyCurrent(p);
}

void delver_glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    g.viewport[0] = x;
    g.viewport[1] = y;
    g.viewport[2] = width;
    g.viewport[3] = height;
    glViewport(x, y, width, height);
}

void delver_glEnable(GLenum cap) {
    if (cap == kFog) g.fog = true;
    if (cap == GL_TEXTURE_2D) g.texturing = true;
    if (cap == GL_DEPTH_TEST) g.depthTest = true;
    if (cap == GL_DEPTH_TEST || cap == GL_BLEND || cap == GL_CULL_FACE || cap == GL_DITHER) glEnable(cap);
}

void delver_glDisable(GLenum cap) {
    if (cap == kFog) g.fog = false;
    if (cap == GL_TEXTURE_2D) g.texturing = false;
    if (cap == GL_DEPTH_TEST) g.depthTest = false;
    if (cap == GL_DEPTH_TEST || cap == GL_BLEND || cap == GL_CULL_FACE || cap == GL_DITHER) glDisable(cap);
}

// Only linear fog is drawn, whatever mode is named: the game asks for no
// other.
void delver_glFogi(GLenum, GLint) {}

void delver_glFogf(GLenum name, GLfloat value) {
    if (name == kFogStart) g.fogRange[0] = value;
    if (name == kFogEnd) g.fogRange[1] = value;
}

void delver_glFogfv(GLenum name, const GLfloat* values) {
    if (name == kFogColour)
        for (int i = 0; i < 3; ++i) g.fogColour[i] = values[i];
    else if (name == kFogStart || name == kFogEnd)
        delver_glFogf(name, values[0]);
}

void delver_glHint(GLenum, GLenum) {}
void delver_glShadeModel(GLenum) {}
void delver_glNormal3f(GLfloat, GLfloat, GLfloat) {}

void delver_glColor4f(GLfloat r, GLfloat gr, GLfloat b, GLfloat a) {
    g.colour[0] = r;
    g.colour[1] = gr;
    g.colour[2] = b;
    g.colour[3] = a;
}

void delver_glColor3f(GLfloat r, GLfloat gr, GLfloat b) { delver_glColor4f(r, gr, b, 1.0f); }

void delver_glClear(GLbitfield mask) {
    DrawOffscreen();
    glClear(mask);
}
void delver_glClearColor(GLclampf r, GLclampf gr, GLclampf b, GLclampf a) { glClearColor(r, gr, b, a); }
void delver_glClearDepth(double depth) { glClearDepthf(static_cast<GLclampf>(depth)); }
void delver_glDepthFunc(GLenum func) { glDepthFunc(func); }
void delver_glBlendFunc(GLenum src, GLenum dst) { glBlendFunc(src, dst); }
void delver_glFlush() { glFlush(); }
void delver_glFinish() { glFinish(); }

void delver_glPixelStorei(GLenum name, GLint value) {
    if (name == GL_PACK_ALIGNMENT) g.packAlignment = value;
    glPixelStorei(name, value);
}

void delver_glGetIntegerv(GLenum name, GLint* out) {
    if (name == GL_PACK_ALIGNMENT) {
        *out = g.packAlignment;
        return;
    }
    glGetIntegerv(name, out);
}

// Only the raster move of an empty bitmap is asked for, and only to place a
// picture that fills the screen; the canvas is never that, so the picture
// always goes to its corner and the move changes nothing here.
void delver_glBitmap(GLsizei, GLsizei, GLfloat, GLfloat, GLfloat, GLfloat, const GLubyte*) {}

void delver_glPixelZoom(GLfloat x, GLfloat y) {
    g.zoom[0] = x;
    g.zoom[1] = y;
}

// --- textures -----------------------------------------------------------

void delver_glGenTextures(GLsizei n, GLuint* names) {
    glGenTextures(n, names);
    for (GLsizei i = 0; i < n; ++i) g.textures.insert(names[i]);
}

void delver_glBindTexture(GLenum target, GLuint name) {
    g.boundTexture = name;
    glBindTexture(target, name);
}

void delver_glTexParameteri(GLenum target, GLenum name, GLint value) { glTexParameteri(target, name, value); }

void delver_glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                         GLenum format, GLenum type, const GLvoid* pixels) {
    // WebGL 1 wants the stored format named as the given one; the desktop's
    // old component counts (3, 4) name the same.
    (void)internalFormat;
    glTexImage2D(target, level, static_cast<GLint>(format), width, height, border, format, type, pixels);
    if (level != 0 || width <= 0 || height <= 0) return;
    // A picture whose sides are not powers of two only samples in WebGL 1
    // when it does not repeat.
    if (!PowerOfTwo(width) || !PowerOfTwo(height)) {
        glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    g.picturedTextures.insert(g.boundTexture);
}

// --- quads ----------------------------------------------------------------

void delver_glBegin(GLenum mode) {
    g.inBegin = mode == kQuads;  // the game draws nothing but quads
    g.immediate.clear();
}

void delver_glTexCoord2f(GLfloat s, GLfloat t) {
    g.texCoord[0] = s;
    g.texCoord[1] = t;
}

void delver_glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    if (g.inBegin) g.immediate.push_back({x, y, z, g.texCoord[0], g.texCoord[1]});
}

void delver_glEnd() {
    if (!g.inBegin) return;
    g.inBegin = false;
    DrawOffscreen();
    DrawQuads(g.immediate.data(), g.immediate.size() / 4);
}

void delver_glEnableClientState(GLenum array) {
    if (array == kVertexArray) g.vertexArray = true;
    if (array == kTextureCoordArray) g.texCoordArray = true;
}

void delver_glDisableClientState(GLenum array) {
    if (array == kVertexArray) g.vertexArray = false;
    if (array == kTextureCoordArray) g.texCoordArray = false;
}

void delver_glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    g.vertexSize = size;
    g.vertexType = type;
    g.vertexStride = stride;
    g.vertexPointer = static_cast<const uint8_t*>(pointer);
}

void delver_glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    g.texCoordSize = size;
    g.texCoordType = type;
    g.texCoordStride = stride;
    g.texCoordPointer = static_cast<const uint8_t*>(pointer);
}

void delver_glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    if (mode != kQuads || first < 0 || count < 4 || !g.vertexArray || !g.vertexPointer) return;
    if (g.vertexType != GL_FLOAT || g.vertexSize < 2 || g.vertexSize > 4) return;
    const size_t quads = static_cast<size_t>(count) / 4;
    const bool withTexCoords = g.texCoordArray && g.texCoordPointer && g.texCoordType == GL_FLOAT &&
                               g.texCoordSize >= 1 && g.texCoordSize <= 4;
    // The scene's own lists are already corners as the shader takes them.
    if (withTexCoords && g.vertexSize == 3 && g.texCoordSize == 2 && g.vertexStride == sizeof(Corner) &&
        g.texCoordStride == sizeof(Corner) && g.texCoordPointer == g.vertexPointer + 12) {
        DrawOffscreen();
        DrawQuads(reinterpret_cast<const Corner*>(g.vertexPointer) + first, quads);
        return;
    }
    const size_t vStride = g.vertexStride ? static_cast<size_t>(g.vertexStride) : sizeof(float) * g.vertexSize;
    const size_t tStride = g.texCoordStride ? static_cast<size_t>(g.texCoordStride) : sizeof(float) * g.texCoordSize;
    g.scratch.resize(quads * 4);
    for (size_t i = 0; i < quads * 4; ++i) {
        const size_t at = static_cast<size_t>(first) + i;
        const uint8_t* v = g.vertexPointer + at * vStride;
        Corner& c = g.scratch[i];
        c.x = ReadFloat(v);
        c.y = ReadFloat(v + 4);
        c.z = g.vertexSize > 2 ? ReadFloat(v + 8) : 0.0f;
        c.s = g.texCoord[0];
        c.t = g.texCoord[1];
        if (withTexCoords) {
            const uint8_t* t = g.texCoordPointer + at * tStride;
            c.s = ReadFloat(t);
            c.t = g.texCoordSize > 1 ? ReadFloat(t + 4) : 0.0f;
        }
    }
    DrawOffscreen();
    DrawQuads(g.scratch.data(), quads);
}

// --- pixels ---------------------------------------------------------------

// The picture is drawn on the canvas from its lower-left corner (the raster
// position the game never moves), each pixel zoom x zoom, untouched by the
// depth test, the viewport and the matrices, as glDrawPixels is.
void delver_glDrawPixels(GLsizei width, GLsizei height, GLenum format, GLenum type, const GLvoid* pixels) {
    if (!g.started || width <= 0 || height <= 0 || g.drawingWidth <= 0 || g.drawingHeight <= 0) return;
    if (format != GL_RGBA && format != GL_RGB) return;
    glBindTexture(GL_TEXTURE_2D, g.frameTexture);
    if (width == g.frameTextureWidth && height == g.frameTextureHeight && format == g.frameTextureFormat) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, type, pixels);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), width, height, 0, format, type, pixels);
        g.frameTextureWidth = width;
        g.frameTextureHeight = height;
        g.frameTextureFormat = format;
    }
    // The finished picture goes to the canvas itself, where the desktop's
    // glDrawPixels puts it over the whole window; reads now come from there.
    DrawOnCanvas();
    DrawWindowQuad(g.frameTexture, width * g.zoom[0], height * g.zoom[1]);
}

// WebGL 1 reads RGBA for certain; RGB rows are made from it, laid out with
// the pack alignment the game set.
void delver_glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels) {
    if (width <= 0 || height <= 0 || type != GL_UNSIGNED_BYTE) return;
    if (format == GL_RGBA) {
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
        glPixelStorei(GL_PACK_ALIGNMENT, g.packAlignment);
        return;
    }
    if (format != GL_RGB) return;
    const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
    g.readScratch.resize(w * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, g.readScratch.data());
    glPixelStorei(GL_PACK_ALIGNMENT, g.packAlignment);
    const size_t align = g.packAlignment > 0 ? static_cast<size_t>(g.packAlignment) : 1;
    const size_t rowBytes = (w * 3 + align - 1) / align * align;
    uint8_t* out = static_cast<uint8_t*>(pixels);
    for (size_t row = 0; row < h; ++row) {
        const uint8_t* src = g.readScratch.data() + row * w * 4;
        uint8_t* dst = out + row * rowBytes;
        for (size_t i = 0; i < w; ++i) {
            dst[i * 3 + 0] = src[i * 4 + 0];
            dst[i * 3 + 1] = src[i * 4 + 1];
            dst[i * 3 + 2] = src[i * 4 + 2];
        }
    }
}

}  // extern "C"
