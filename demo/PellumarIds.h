/* Resource ids of Pellumar.exe, shared by its .rc file and its code. */
#pragma once

#define IDI_PELLUMAR 1
