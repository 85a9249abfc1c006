#pragma once

namespace nodeloom {
class Canvas;
}

namespace nodeloom::platform {

// The current drawing context: a stack of canvases, one per thread. A view's draw runs with its
// canvas on top; outside drawing the stack is empty and current() gives null.
class GraphicsContext {
public:
    GraphicsContext() = delete;

    static Canvas* current();
    static void push(Canvas& canvas);
    // Does nothing on an empty stack.
    static void pop();

    // Pushes a canvas for the life of the scope.
    class Scope {
    public:
        explicit Scope(Canvas& canvas) { push(canvas); }
        ~Scope() { pop(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };
};

}  // namespace nodeloom::platform
