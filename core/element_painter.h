// SPDX-License-Identifier: MIT
// What paints the element kinds: the runtime's renderer implements one method per kind that
// draws, and each kind's descriptor (core/element_members.h) calls its own, so painting an
// element needs no test of its kind. Positions are the element's surface's origin in form twips.
#pragma once

namespace stolvane {

class Line;
class Label;
class Image;
class PictureBox;
class Shape;
class PictureButton;
class ListBox;
class TextBox;
class ControlElement;

class ElementPainter {
public:
    virtual ~ElementPainter() = default;
    virtual void PaintLine(const Line& l, double ax, double ay) = 0;
    virtual void PaintLabel(const Label& l, double ax, double ay) = 0;
    virtual void PaintImage(const Image& img, double ax, double ay) = 0;
    virtual void PaintShape(const Shape& s, double ax, double ay) = 0;
    virtual void PaintPictureBox(const PictureBox& b, double ax, double ay) = 0;
    virtual void PaintPictureButton(const PictureButton& b, double ax, double ay) = 0;
    virtual void PaintListBox(const ListBox& lb, double ax, double ay) = 0;
    // A text box: its field, text, selection, caret and scroll bars.
    virtual void PaintTextBox(const TextBox& tb, double ax, double ay) = 0;
    // An embedded control: its surface, with whatever it holds.
    virtual void PaintControl(const ControlElement& c, double ax, double ay) = 0;
};

}  // namespace stolvane
