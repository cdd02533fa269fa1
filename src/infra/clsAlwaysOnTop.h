#pragma once

class QWidget;

// Moves a window into or out of the always-on-top band without moving or resizing it.
class clsAlwaysOnTop
{
public:
    void MakeTopMost(QWidget* window) const;
    void MakeNormal(QWidget* window) const;
};
