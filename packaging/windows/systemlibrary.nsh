; SPDX-License-Identifier: MIT
; gpibplus.dll as the system's gpib-32.dll, for the programs written for that library: an
; optional component, offered only when a port is named and no gpib-32.dll but ours is in the
; system folder (for this 32-bit installer on 64-bit Windows, SysWOW64). The installer records in
; its uninstall key that it put the file there; the file is ours while that record is there and
; its bytes are those of the installation's gpibplus.dll. A gpib-32.dll that is not ours, a
; vendor's driver or anyone's copy, is never written over or removed.
; Included by the installer's script, which defines UNINSTALL_KEY.

!define SYSTEM_LIBRARY "$SYSDIR\gpib-32.dll"

Var SystemLibrary ; in the system folder now: none, ours or foreign

; Functions for the installer and the uninstaller, as in adapter.nsh.
!macro quorinSystemLibraryFunctions un
    ; Push a file, push another: pops 1 when they hold the same bytes, else 0.
    Function ${un}quorinSameFiles
        Exch $1
        Exch
        Exch $0
        Push $2
        Push $3
        Push $4
        Push $5
        Push $6
        Push $7
        StrCpy $7 0
        ClearErrors
        FileOpen $2 $0 r
        FileOpen $3 $1 r
        ${IfNot} ${Errors}
            FileSeek $2 0 END $4
            FileSeek $3 0 END $5
            FileSeek $2 0 SET
            FileSeek $3 0 SET
            ${If} $4 == $5
                System::Alloc $4
                Pop $5
                System::Alloc $4
                Pop $6
                System::Call "kernel32::ReadFile(p $2, p $5, i $4, *i .r0, p 0)"
                System::Call "kernel32::ReadFile(p $3, p $6, i $4, *i .r1, p 0)"
                System::Call "ntdll::RtlCompareMemory(p $5, p $6, p $4) p .r7"
                ${If} $0 == $4
                ${AndIf} $1 == $4
                ${AndIf} $7 == $4
                    StrCpy $7 1
                ${Else}
                    StrCpy $7 0
                ${EndIf}
                System::Free $5
                System::Free $6
            ${EndIf}
        ${EndIf}
        ${IfThen} $2 != "" ${|} FileClose $2 ${|}
        ${IfThen} $3 != "" ${|} FileClose $3 ${|}
        StrCpy $0 $7
        Pop $7
        Pop $6
        Pop $5
        Pop $4
        Pop $3
        Pop $2
        Exch $0
        Exch
        Pop $1
    FunctionEnd

    ; Push FOLDER: sets $SystemLibrary to what is in the system folder, compared with the
    ; gpibplus.dll of the installation in FOLDER.
    Function ${un}quorinFindSystemLibrary
        Exch $0
        Push $1
        StrCpy $SystemLibrary none
        ${If} ${FileExists} "${SYSTEM_LIBRARY}"
            StrCpy $SystemLibrary foreign
            ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "SystemLibrary"
            ${If} $1 == "${SYSTEM_LIBRARY}"
                Push "${SYSTEM_LIBRARY}"
                Push "$0\gpibplus.dll"
                Call ${un}quorinSameFiles
                Pop $1
                ${IfThen} $1 == 1 ${|} StrCpy $SystemLibrary ours ${|}
            ${EndIf}
        ${EndIf}
        Pop $1
        Pop $0
    FunctionEnd
!macroend
!insertmacro quorinSystemLibraryFunctions ""
!insertmacro quorinSystemLibraryFunctions "un."

; The uninstaller's part, before the installation's files go: ours goes with them, at the next
; start of Windows if a program has it open now.
Function un.quorinRemoveSystemLibrary
    Push $INSTDIR
    Call un.quorinFindSystemLibrary
    ${IfThen} $SystemLibrary == ours ${|} Delete /REBOOTOK "${SYSTEM_LIBRARY}" ${|}
FunctionEnd
