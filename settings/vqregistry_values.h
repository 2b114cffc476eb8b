// The settings table of CVQRegistry: one row per registry value, every
// value the subsystems name. This
// file is included several times with the row macros defined differently:
// once for the value ids, once for the table the store reads, once for the
// typed Get/Set pairs of the class. No include guard, on purpose.
//
// Columns:
//   VQ_NUMBER(Name, Kind, Key, KeyMissing, ValueMissing, ReadClamp, WriteClamp, WriteIf)
//   VQ_TEXT(Name, Key, Fallback, WriteIf)
//   VQ_NUMBERED(Name, Kind, Key, Format, KeyMissing, ValueMissing, WriteIf)
//   VQ_NUMBERED_TEXT(Name, Key, Format)
// Name is the registry value name and the C++ name (GetName/SetName).
// Kind: Flag (REG_DWORD 0/1), Dword, Int (a signed REG_DWORD), Word (a
// REG_DWORD whose low 16 bits count).
// Key: the subkey below Software\VexoLabs\Vorta2 (VQKEY_<Key>).
// KeyMissing: the result while the key is missing. ValueMissing: the
// result while the key exists without the value (or with another type):
// the same as KeyMissing for the value rule (V); 0 for the key rule (K).
// ReadClamp / WriteClamp: VQ_NONE, VQ_RANGE(low, high) or VQ_MIN(low).
// WriteIf: Always, NonEmpty, Positive (> 0), NotNegative (>= 0).
// Fallback (texts): None, LocalMachine (the same path under
// HKEY_LOCAL_MACHINE when the user's text is empty), DXDrive (the DX-Drive
// database path, see CVQRegistry).
// Numbered rows take a number first (a negative number reads KeyMissing
// and writes nothing).

// ---- "\Config": start-up, main window and application ----
VQ_NUMBER(AutoConnectAtStart, Flag, Config, 1, 1, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(RestoreMainWindowAtStart, Flag, Config, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(AutoRestoreDesktop, Flag, Config, 0, 0, VQ_NONE, VQ_NONE, Always) // rule K
VQ_NUMBER(ShowToolBar, Flag, Config, 1, 1, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(ShowStatusBar, Flag, Config, 1, 1, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(ShowControlPanel, Flag, Config, 1, 1, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(ShowControllerMessages, Flag, Config, 1, 1, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(Language, Word, Config, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBERED(BetaMask, Dword, Config, "BetaMask%02d", 0, 0, Always)

// ---- "\Config": controller, program and project handling ----
VQ_NUMBER(CheckControllerType, Flag, Config, 0, 0, VQ_NONE, VQ_NONE, Always) // rule K
// Read with the value rule (default 1), so writing another Config value
// never switches it off (a key-presence rule would turn it off).
VQ_NUMBER(AutoEPROM, Flag, Config, 1, 1, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(ForceSlowProjectLoad, Flag, Config, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(ForceSlowProgramLoad, Flag, Config, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(ForceSlowProgramSave, Flag, Config, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(AllowProgramOperationsWhenRuning, Flag, Config, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(UseDevelopmentVersionChecking, Flag, Config, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(EnableIEC61131, Flag, Config, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_TEXT(LastLoadProgDir, Config, None, Always)
VQ_TEXT(LastSaveProgDir, Config, None, Always)
VQ_TEXT(FileCompareProgramName, Config, LocalMachine, Always)
VQ_TEXT(FileCompareProgramArguments, Config, LocalMachine, Always)

// ---- "\Config": logging ----
VQ_NUMBER(EnableCommsLogging, Flag, Config, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(EnableDriveCommsLogging, Flag, Config, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(LogToFile, Flag, Config, 1, 1, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(LogWithDebugPrint, Flag, Config, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(TimeStampLogEntries, Flag, Config, 1, 1, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(LogTxRxDataOnly, Flag, Config, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_TEXT(LogFileName, Config, None, Always)
VQ_TEXT(LogViewer, Config, None, Always)

// ---- "\Config": I/O, drive tools and the external drive tool ----
VQ_NUMBER(DigitalIOPollInterval, Dword, Config, 1000, 1000, VQ_MIN(250), VQ_NONE, Always)
VQ_NUMBER(ShowDigitalIODescriptions, Flag, Config, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(ShowVirtualDigitalIO, Flag, Config, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(PanasonicA4NPollInterval, Dword, Config, 1000, 1000, VQ_MIN(100), VQ_NONE, Always)
VQ_TEXT(DXDriveDBFileName, Config, DXDrive, Always)
VQ_NUMBER(HideLaunchDxDriveWarning, Flag, Config, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(ShowParameterValidationWarnings, Flag, Config, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_TEXT(FINSProtocol, Config, None, Always)
VQ_NUMBER(FINSIPPort, Dword, Config, 9600, 9600, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(FINSTimeout, Dword, Config, 500, 500, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(DXServerPollPeriod, Word, Config, 100, 100, VQ_NONE, VQ_NONE, Always)

// ---- "\Comms" (the link list "\CommLinks" belongs to the link) ----
VQ_TEXT(DefaultDirectPort, Comms, None, NonEmpty)
VQ_NUMBER(DefaultDirectLink, Dword, Comms, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(Packet, Flag, Comms, 0, 0, VQ_NONE, VQ_NONE, Always)    // rule K
VQ_NUMBER(LogFlags, Dword, Comms, 0, 0, VQ_NONE, VQ_NONE, Always) // rule K
VQ_NUMBER(MessageTimeout, Dword, Comms, 20, 20, VQ_NONE, VQ_RANGE(5, 120), Always)
VQ_NUMBER(ShowAllLinks, Flag, Comms, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(SelectSingleLink, Flag, Comms, 0, 0, VQ_NONE, VQ_NONE, Always)

// ---- "\Projects" ----
VQ_NUMBERED_TEXT(RecentProject, Projects, "Project%02d")

// ---- "\Editor" and "\Editor\Assist" ----
VQ_NUMBER(CodeStart, Dword, Editor, 0, 0, VQ_RANGE(0, 16), VQ_RANGE(0, 16), Always)
VQ_NUMBER(TabIndent, Dword, Editor, 4, 4, VQ_RANGE(1, 8), VQ_RANGE(1, 8), Always)
VQ_NUMBER(TabInOnEnter, Flag, Editor, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(UseInlineBreakpoints, Flag, Editor, 1, 1, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(PrintInColour, Flag, Editor, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(ShowlongVariableWarnings, Flag, Editor, 1, 1, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(EnableEditorKeyAssist, Flag, EditorAssist, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(EnableEditorCommandTemplates, Flag, EditorAssist, 0, 0, VQ_NONE, VQ_NONE, Always)

// ---- "\Terminal" ----
VQ_NUMBER(TerminalBufferedLines, Dword, Terminal, 256, 256, VQ_RANGE(25, 2048), VQ_RANGE(25, 2048), Always)
VQ_NUMBER(TerminalMaxLineLength, Dword, Terminal, 132, 132, VQ_RANGE(80, 256), VQ_RANGE(80, 256), Always)
VQ_TEXT(LastScriptFile, Terminal, None, Always)
VQ_TEXT(LastScriptLog, Terminal, None, Always)
VQ_TEXT(ScriptEditor, Terminal, None, Always)

// ---- "\AxisParameters": -1 reads as "nothing stored" ----
VQ_NUMBERED(BankRows, Int, AxisParameters, "Bank%dRows", -1, -1, NotNegative)
VQ_NUMBERED(BankScrollPos, Int, AxisParameters, "Bank%dScrollPos", -1, -1, NotNegative)
VQ_NUMBER(Axes, Int, AxisParameters, -1, -1, VQ_NONE, VQ_NONE, NotNegative)
VQ_NUMBER(AxisScrollPos, Int, AxisParameters, -1, -1, VQ_NONE, VQ_NONE, NotNegative)
VQ_NUMBER(UpdatePeriod, Dword, AxisParameters, 500, 500, VQ_NONE, VQ_NONE, Positive)

// ---- "\Oscilloscope\Setup" single values ----
VQ_NUMBER(AxisLineWidth, Dword, ScopeSetup, 1, 1, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(GridLineWidth, Dword, ScopeSetup, 1, 1, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(TraceLineWidth, Dword, ScopeSetup, 1, 1, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(CursorLineWidth, Dword, ScopeSetup, 1, 1, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(DataPointDiameter, Dword, ScopeSetup, 0, 0, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(EndPointDiameter, Dword, ScopeSetup, 1, 3, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(MatchScalesInXYMode, Flag, ScopeSetup, 1, 1, VQ_NONE, VQ_NONE, Always)
VQ_NUMBER(XYBuffers, Dword, ScopeSetup, 0, 0, VQ_NONE, VQ_NONE, Always)

// ---- "\Files" (named by controller management) ----
VQ_TEXT(SystemFileDir, Files, None, Always)
