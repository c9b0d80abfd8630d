# Test cases of the shared suites that check what only POSIX systems have;
# the Windows build leaves them out (a gtest negative filter per program).
#   - a file size limit (setrlimit) to make a save fail half-way;
#   - named pipes (mkfifo);
#   - paths written with '/' that the program, on Windows, gives back in the
#     system's own form;
#   - reading SDL's disk audio file while SDL still writes it (under Wine the
#     reader sees nothing until the file is closed);
#   - a child program started through the POSIX shell;
#   - the ALSA sound system, which is Linux's.
# The Windows platform services have their own tests (PexPlatformWinTest).
set(PEX_WINE_SKIP_ConfigUnitTest
    "ConfigTest.UnwritableFileRaisesAndLeavesTheOldFileWhole:SettingsFilePath.ReplacesTheExtensionOfTheFileName:ConfigUnit.InitReadsAndDoneWritesTheFileBesideTheExecutable")
set(PEX_WINE_SKIP_LevelUnitTest "LevelTest.FailedSaveLeavesTheOldFileWholeAndNamesThePath")
set(PEX_WINE_SKIP_MainUnitTest "MainUnitTest.MissingPictureStopsTheLoadsWithItsPath")
set(PEX_WINE_SKIP_MenuUnitTest "MenuTest.UnusableScriptRaisesItsReasonWithoutWaiting")
set(PEX_WINE_SKIP_PexTextureTest
    "Texture.MissingFileNamesItsFullPath:Texture.PipeIsNotAnImageFileAndNeverWaitedOn")
set(PEX_WINE_SKIP_PexDemoTest
    "DemoTest.RecordingNeverWaitsOnAPipe:DemoTest.FailedRecordingIsReportedAtOnceAndLeavesNoFile")
set(PEX_WINE_SKIP_PexScriptTest
    "ReadWholeFile.PipeGivesEmptyTextWithoutWaiting:WriteWholeFileTest.FailedWriteKeepsTheOldFileWhole")
set(PEX_WINE_SKIP_SoundLibTest
    "LoadSong.PipeOrOversizedFileGivesNoModuleWithoutWaiting:DiskOutput.PlayingSongGoesOnWithoutFurtherCallsUntilFreed:Output.FailedAlsaProbeLeavesOneLineWithItsReason:Output.AlsaPrintsItsOwnMessagesAgainAfterTheProbe")
