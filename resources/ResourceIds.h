/* Identifiers of the program's resources, shared by the resource script and the code. */
#pragma once

#define IDI_MAIN 1
#define IDR_MAINMENU 1
#define IDR_ACCELERATORS 1

/* The main window's menu commands. */
#define IDM_CONVERTSWFTOEXE 201
#define IDM_CONVERTEXETOSWF 202
#define IDM_SETASSCREENSAVER 203
#define IDM_EXIT 204
#define IDM_CONTENTS 205
#define IDM_HELPVISIT 206
#define IDM_ABOUT 207
#define IDM_PROJECTOROPTIONS 208
