// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Window skinning. Veyra draws every window as a plain Qt window: these calls keep the
// places where a skin would be prepared and attached, and do nothing. Their results are
// never used by the program.
#pragma once

class QWidget;

// Prepares the skinning component for the program (in_pInstance: the program's instance,
// may be null; in_pAppName: the name the component files it under). Returns true.
bool QLSkinInitialize(void *in_pInstance, const char *in_pAppName);

// Loads the skin named in_pSkinName from the program's own resources of type
// in_pResourceType. Returns true.
bool QLSkinLoadFromResource(void *in_pInstance, const char *in_pSkinName,
                            const char *in_pResourceType);

// Attaches in_pWindow to the skin object in_pSkinObject ("MainFrame", "Dialog"). Returns true.
bool QLSkinSetWindowSkin(QWidget *in_pWindow, const char *in_pSkinObject);

// Sets a window flag of the skin on in_pWindow (the main frame passes 1). Returns true.
bool QLSkinSetWindowFlag(QWidget *in_pWindow, int in_flag);
