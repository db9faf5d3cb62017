#pragma once

namespace install {

// Where the install document shows the kilobytes it needs: the window's digit
// counter. The window hands the document an adapter to its painter.
class NumberDisplay {
public:
    virtual ~NumberDisplay();
    virtual void DrawNumber(int n) = 0;
};

}  // namespace install
