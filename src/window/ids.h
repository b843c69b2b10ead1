// The window's own identifiers, in one place: its messages, its class name, its controls' property.
//
// The other identifiers that the window uses are declared by their owners:
//   - the controls' ids, FirstControlId + the control's index in the table: window/controls.h;
//   - the message box's placing timer, MsgBoxTimerId: msgbox/msgbox_win.h;
//   - the property that carries the volume watcher's NoticeTarget, NoticeTargetProperty:
//     volume_watch/volume_watch_win.h;
//   - the property that keeps a frame's font ("USB.Font"): window/frame_win.cpp, where alone it
//     is read;
//   - the icons' and pictures' resource ids: resources/resource_ids.h.
#pragma once

// WM_APP + n: posted by the drive box to its form after a mouse click, so that the
// click warning opens once the edit has finished with the mouse.
constexpr unsigned int WmAppText1Click = 0x8000 + 1;

// The window class of Form1, by which another program (the end-to-end driver) finds the window.
constexpr const char* FormClass = "USB.Form1";

// The property that binds each control the form subclasses (the drive box, and the labels and
// pictures that take clicks) to the form: set as the controls are made, read by their procedures.
constexpr const char* FormProperty = "USB.Form";
