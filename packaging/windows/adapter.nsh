; SPDX-License-Identifier: MIT
; The "++" GPIB adapter's port, which gpibplus.dll reads from the machine's configuration file:
; named on the installer's "GPIB adapter" page or with /PORT=, and written there as a "port = ..."
; line under a comment that says where it came from. A file holding just those two lines is the
; installer's, and its uninstaller removes it; a file anyone has added to is theirs and stays.
; Included by the installer's script, which defines NAME and sets the shell folders to all users.

; %ProgramData%\NAME, once SetShellVarContext all is in force.
!define CONFIGURATION_DIR "$APPDATA\${NAME}"
!define CONFIGURATION "${CONFIGURATION_DIR}\gpibplus.conf"
!define CONFIGURATION_COMMENT \
    "# Written by the ${NAME} installer: the port of the $\"++$\" GPIB adapter."
!define SERIAL_PORTS "HARDWARE\DEVICEMAP\SERIALCOMM"

Var Port              ; the port to name: the page's or /PORT='s, else the one the file names
Var ConfiguredPort    ; the port the file names, empty when none
Var ConfigurationOurs ; 1 when the file is the installer's own two lines
Var PortBox

; The functions both the installer and the uninstaller call, which NSIS wants defined once for
; each, the uninstaller's with the prefix "un.".
!macro quorinConfigurationFunctions un
    ; The string on the stack, with spaces, tabs and line ends taken off both of its ends.
    Function ${un}quorinTrim
        Exch $0
        Push $1
        ${Do}
            StrCpy $1 $0 1
            ${If} $1 != " "
            ${AndIf} $1 != "$\t"
            ${AndIf} $1 != "$\r"
            ${AndIf} $1 != "$\n"
                ${ExitDo}
            ${EndIf}
            StrCpy $0 $0 "" 1
        ${Loop}
        ${Do}
            StrCpy $1 $0 "" -1
            ${If} $1 != " "
            ${AndIf} $1 != "$\t"
            ${AndIf} $1 != "$\r"
            ${AndIf} $1 != "$\n"
                ${ExitDo}
            ${EndIf}
            StrCpy $0 $0 -1
        ${Loop}
        Pop $1
        Exch $0
    FunctionEnd

    ; Push TEXT, push CHARACTER: pops where in TEXT the character is first, -1 when nowhere.
    Function ${un}quorinFind
        Exch $1
        Exch
        Exch $0
        Push $2
        Push $3
        StrCpy $2 0
        ${Do}
            StrCpy $3 $0 1 $2
            ${If} $3 == ""
                StrCpy $2 -1
                ${ExitDo}
            ${EndIf}
            ${IfThen} $3 == $1 ${|} ${ExitDo} ${|}
            IntOp $2 $2 + 1
        ${Loop}
        StrCpy $0 $2
        Pop $3
        Pop $2
        Exch $0
        Exch
        Pop $1
    FunctionEnd

    ; The port a line of the file names, as the library reads it ("#" starts a comment, the key
    ; and the value are trimmed), empty when it is no port line.
    Function ${un}quorinPortOfLine
        Exch $0
        Push $1
        Push $2
        Push $0
        Push "#"
        Call ${un}quorinFind
        Pop $1
        ${IfThen} $1 >= 0 ${|} StrCpy $0 $0 $1 ${|}
        Push $0
        Push "="
        Call ${un}quorinFind
        Pop $1
        StrCpy $2 $0 $1
        IntOp $1 $1 + 1
        StrCpy $0 $0 "" $1
        Push $2
        Call ${un}quorinTrim
        Pop $2
        ${If} $1 > 0
        ${AndIf} $2 S== "port"
            Push $0
            Call ${un}quorinTrim
            Pop $0
        ${Else}
            StrCpy $0 ""
        ${EndIf}
        Pop $2
        Pop $1
        Exch $0
    FunctionEnd

    ; Reads the machine's configuration file, if there is one, into $ConfiguredPort (its last
    ; port line wins, as in the library) and $ConfigurationOurs.
    Function ${un}quorinReadConfiguration
        Push $0
        Push $1
        Push $2
        Push $3
        StrCpy $ConfiguredPort ""
        StrCpy $ConfigurationOurs 0
        ClearErrors
        FileOpen $0 "${CONFIGURATION}" r
        ${IfNot} ${Errors}
            StrCpy $2 0
            ${Do}
                ClearErrors
                FileRead $0 $1
                ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
                IntOp $2 $2 + 1
                ${IfThen} $2 == 1 ${|} StrCpy $3 $1 ${|}
                Push $1
                Call ${un}quorinPortOfLine
                Pop $1
                ${IfThen} $1 != "" ${|} StrCpy $ConfiguredPort $1 ${|}
            ${Loop}
            FileClose $0
            ${If} $2 == 2
            ${AndIf} $3 S== "${CONFIGURATION_COMMENT}$\r$\n"
            ${AndIf} $ConfiguredPort != ""
                StrCpy $ConfigurationOurs 1
            ${EndIf}
        ${EndIf}
        Pop $3
        Pop $2
        Pop $1
        Pop $0
    FunctionEnd
!macroend
!insertmacro quorinConfigurationFunctions ""
!insertmacro quorinConfigurationFunctions "un."

; Push the text of a number, push MAX: pops the text when it is a number from 1 to MAX written
; plainly (digits only, no leading zero, at most five), else "".
Function quorinNumberUpTo
    Exch $1
    Exch
    Exch $0
    Push $2
    StrLen $2 $0
    ${IfThen} $2 > 5 ${|} StrCpy $0 "" ${|}
    StrCpy $2 $0 1
    ${IfThen} $2 == "0" ${|} StrCpy $0 "" ${|}
    ${StrFilter} "$0" "1" "" "" $2
    ${If} $2 S!= $0
    ${OrIf} $0 > $1
        StrCpy $0 ""
    ${EndIf}
    Pop $2
    Exch $0
    Exch
    Pop $1
FunctionEnd

; Push a port's name: pops it as it is written when it is a COM port, upper-case (COM3, or
; \\.\COM10, the only name of COM10 and above; COM1 to COM256), else "".
Function quorinComPort
    Exch $0
    Push $1
    Push $2
    ${StrFilter} "$0" "+" "" "" $0
    StrCpy $1 "" ; the device prefix
    StrCpy $2 $0 4
    ${If} $2 S== "\\.\"
        StrCpy $1 $2
        StrCpy $0 $0 "" 4
    ${EndIf}
    StrCpy $2 $0 3
    StrCpy $0 $0 "" 3
    Push $0
    Push 256
    Call quorinNumberUpTo
    Pop $0
    ${If} $2 S== "COM"
    ${AndIf} $0 != ""
        StrCpy $0 "$1COM$0"
    ${Else}
        StrCpy $0 ""
    ${EndIf}
    Pop $2
    Pop $1
    Exch $0
FunctionEnd

; Push a network adapter's address: pops it when it is host:port, the host a name, an IPv4
; address or an IPv6 one in brackets, the port from 1 to 65535; else "".
Function quorinTcpAddress
    Exch $0
    Push $1
    Push $2
    Push $3
    ; The host is what comes before the last colon.
    StrLen $1 $0
    ${Do}
        IntOp $1 $1 - 1
        ${IfThen} $1 < 0 ${|} ${ExitDo} ${|}
        StrCpy $2 $0 1 $1
    ${LoopUntil} $2 == ":"
    StrCpy $2 $0 $1
    IntOp $3 $1 + 1
    StrCpy $3 $0 "" $3
    Push $3
    Push 65535
    Call quorinNumberUpTo
    Pop $3
    ${IfThen} $1 < 1 ${|} StrCpy $3 "" ${|}
    StrCpy $1 $2 1
    ${If} $1 == "["
        StrCpy $1 $2 "" -1
        StrCpy $2 $2 -1 1
        ${IfThen} $1 != "]" ${|} StrCpy $2 "" ${|}
        ${StrFilter} "$2" "1" "abcdef:." "" $1
    ${Else}
        ${StrFilter} "$2" "12" "-._" "" $1
    ${EndIf}
    ${If} $2 == ""
    ${OrIf} $1 S!= $2
    ${OrIf} $3 == ""
        StrCpy $0 ""
    ${EndIf}
    Pop $3
    Pop $2
    Pop $1
    Exch $0
FunctionEnd

; The port named in $0, as it is to be written: a COM port or a network adapter's host:port, or
; empty for none. Sets $1 to 1 when the text is one of those, else to 0, leaving $0 as it was.
Function quorinCheckPort
    Push $2
    Push $3
    Push $0
    Call quorinTrim
    Pop $2
    StrCpy $1 1
    ${If} $2 != ""
        Push $2
        Call quorinComPort
        Pop $3
        ${If} $3 == ""
            Push $2
            Call quorinTcpAddress
            Pop $3
        ${EndIf}
        StrCpy $2 $3
        ${IfThen} $2 == "" ${|} StrCpy $1 0 ${|}
    ${EndIf}
    ${IfThen} $1 == 1 ${|} StrCpy $0 $2 ${|}
    Pop $3
    Pop $2
FunctionEnd

; Sets $0 to the value of /PORT= on the command line, up to a space or a quote, and the error
; flag when it is not there. A port may hold a "/", where ${GetOptions} would end it.
Function quorinPortOption
    Push $1
    Push $2
    Push $3
    ${GetParameters} $1
    StrCpy $1 " $1"
    StrCpy $2 -1
    ${Do}
        IntOp $2 $2 + 1
        StrCpy $3 $1 7 $2
        ${IfThen} $3 == "" ${|} ${ExitDo} ${|}
        ${IfThen} $3 == " /PORT=" ${|} ${ExitDo} ${|}
        ${IfThen} $3 == "$\"/PORT=" ${|} ${ExitDo} ${|}
    ${Loop}
    ClearErrors
    ${If} $3 == ""
        SetErrors
    ${Else}
        IntOp $2 $2 + 7
        StrCpy $0 ""
        ${Do}
            StrCpy $3 $1 1 $2
            ${If} $3 == ""
            ${OrIf} $3 == " "
            ${OrIf} $3 == "$\""
                ${ExitDo}
            ${EndIf}
            StrCpy $0 "$0$3"
            IntOp $2 $2 + 1
        ${Loop}
    ${EndIf}
    Pop $3
    Pop $2
    Pop $1
FunctionEnd

; What is said of the text in $0 when it names no port.
!define BAD_PORT "$\"$0$\" is not a port the adapter can be at.$\n$\nName a COM port (COM3; \
    \\.\COM10 from COM10 on), or the host:port of an adapter on the network \
    (192.168.1.20:1234), or leave it empty for no adapter."

; The page: the COM ports present to choose from, or a host:port to type.
Function quorinAdapterPage
    !insertmacro MUI_HEADER_TEXT "GPIB adapter" \
        "Where is your $\"++$\" GPIB adapter (Prologix or AR488)?"
    nsDialogs::Create 1018
    Pop $0
    ${IfThen} $0 == error ${|} Abort ${|}
    ${NSD_CreateLabel} 0 0 100% 36u "Choose the COM port of an adapter on USB, or type the \
        host:port of one on the network (192.168.1.20:1234). Leave it empty if you have none: \
        the program then uses the GPIB driver installed, else the simulated bus."
    Pop $0
    ${NSD_CreateComboBox} 0 40u 50% 80u ""
    Pop $PortBox
    StrCpy $0 0
    ${Do}
        EnumRegValue $1 HKLM "${SERIAL_PORTS}" $0
        ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
        ReadRegStr $1 HKLM "${SERIAL_PORTS}" $1
        ${NSD_CB_AddString} $PortBox $1
        IntOp $0 $0 + 1
    ${Loop}
    ${NSD_SetText} $PortBox $Port
    ${NSD_SetFocus} $PortBox
    ${NSD_CreateLabel} 0 60u 100% 48u "The port is written for all users to \
        ${CONFIGURATION}, where the baud rate can be set too; a user's own gpibplus.conf in \
        %APPDATA%\${NAME} takes its place."
    Pop $0
    nsDialogs::Show
FunctionEnd

Function quorinAdapterPageLeave
    ${NSD_GetText} $PortBox $0
    Call quorinCheckPort
    ${If} $1 != 1
        MessageBox MB_ICONEXCLAMATION|MB_OK "${BAD_PORT}"
        Abort
    ${EndIf}
    StrCpy $Port $0
FunctionEnd

; Names $Port in the machine's configuration file, unless it names that port already: the
; installer's own file, or none, is written anew; to anyone else's the comment and the port line
; are added at the end, where they take the place of a port named above them.
Function quorinWriteConfiguration
    Call quorinReadConfiguration
    ${If} $Port == ""
    ${OrIf} $Port S== $ConfiguredPort
        Return
    ${EndIf}
    CreateDirectory "${CONFIGURATION_DIR}"
    ClearErrors
    ${If} $ConfigurationOurs == 1
    ${OrIfNot} ${FileExists} "${CONFIGURATION}"
        FileOpen $0 "${CONFIGURATION}" w
    ${Else}
        FileOpen $0 "${CONFIGURATION}" a
        ; A last line without its line end gets one first.
        FileSeek $0 0 END $1
        ${If} $1 > 0
            FileSeek $0 -1 END
            FileReadByte $0 $1
            FileSeek $0 0 END
            ${IfThen} $1 != 10 ${|} FileWrite $0 "$\r$\n" ${|}
        ${EndIf}
    ${EndIf}
    FileWrite $0 "${CONFIGURATION_COMMENT}$\r$\nport = $Port$\r$\n"
    FileClose $0
    ${If} ${Errors}
        MessageBox MB_ICONSTOP|MB_OK "The adapter's port could not be written to \
            ${CONFIGURATION}." /SD IDOK
        SetErrorLevel 1
    ${EndIf}
FunctionEnd

; The uninstaller's part: the installer's own file goes, and its folder when nothing else is in it.
Function un.quorinRemoveConfiguration
    Call un.quorinReadConfiguration
    ${IfThen} $ConfigurationOurs == 1 ${|} Delete "${CONFIGURATION}" ${|}
    RMDir "${CONFIGURATION_DIR}"
FunctionEnd
