<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>BatchController</name>
    <message>
        <source>Kestrel: %1%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, %1:%2 left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The suffix &quot;%1&quot; may not contain &quot;/&quot;; choose an output folder instead</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Replace %n file(s) with the converted picture? The original video of each is replaced once its conversion is complete, and cannot be had back.</source>
        <translation>
            <numerusform>Replace %n file with the converted picture? The original video of each is replaced once its conversion is complete, and cannot be had back.</numerusform>
            <numerusform>Replace %n files with the converted picture? The original video of each is replaced once its conversion is complete, and cannot be had back.</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 exists</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Couldn&apos;t start the conversion of %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Couldn&apos;t start the progress timer for %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Go</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>; %n more file(s) with warnings</source>
        <translation>
            <numerusform>; %n more file with warnings</numerusform>
            <numerusform>; %n more files with warnings</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 would be written over %2, another file of this batch (leave it out, or choose another suffix)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>BatchOutcome</name>
    <message numerus="yes">
        <source>Stopped: %1 not finished, %n file(s) left; </source>
        <translation>
            <numerusform>Stopped: %1 not finished, %n file left; </numerusform>
            <numerusform>Stopped: %1 not finished, %n files left; </numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) converted in place</source>
        <translation>
            <numerusform>%n file converted in place</numerusform>
            <numerusform>%n files converted in place</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) converted beside their sources</source>
        <translation>
            <numerusform>%n file converted beside their sources</numerusform>
            <numerusform>%n files converted beside their sources</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) converted to %1</source>
        <translation>
            <numerusform>%n file converted to %1</numerusform>
            <numerusform>%n files converted to %1</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %n skipped</source>
        <translation>
            <numerusform>, %n skipped</numerusform>
            <numerusform>, %n skipped</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %n failed</source>
        <translation>
            <numerusform>, %n failed</numerusform>
            <numerusform>, %n failed</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Stopped, %n file(s) left; </source>
        <translation>
            <numerusform>Stopped, %n file left; </numerusform>
            <numerusform>Stopped, %n files left; </numerusform>
        </translation>
    </message>
</context>
<context>
    <name>FirstFrame</name>
    <message>
        <source>This file cannot be opened.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This is not a regular file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This file is not an AVI file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This file has no 24-bit Motion-JPEG video.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This file holds no video frame.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This frame is progressive or arithmetic-coded; only baseline frames are converted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The first frame of this file cannot be decoded.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>InputListDelegate</name>
    <message>
        <source>Waiting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Converting %1%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skipped: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>90° cw</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>90° acw</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>180°</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mirror X</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mirror Y</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>InputPaths</name>
    <message>
        <source>no such file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the folder cannot be read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the folder holds no .avi file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not a regular file (a FIFO, a device or a socket)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not an .avi file</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) not added:</source>
        <translation>
            <numerusform>%n file not added:</numerusform>
            <numerusform>%n files not added:</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>KestrelApp</name>
    <message>
        <source>Rotates or mirrors the picture of Motion-JPEG AVI files, in a window.
The files named, and the .avi files of the folders named, are listed in it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PATH</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An .avi file, or a folder of them</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>[PATH...]</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainDialogRules</name>
    <message>
        <source>Choose an AVI File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AVI Files (*.avi)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>; it is not added</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose an Output Directory</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kestrel::ui::MainDialog</name>
    <message>
        <source>90° &amp;Clockwise</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>90° A&amp;nticlockwise</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>18&amp;0°</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mirror &amp;X</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mirror &amp;Y</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>90° Clockwise</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>90° Anticlockwise</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>180°</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mirror X</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mirror Y</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Input Files:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear &amp;Finished</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Take the converted, skipped and failed files off the list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Into the output directory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Beside each file, with a suffix</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replacing each file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Write converted files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Write:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output Directory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Output Directory:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose Output Directory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>-cw, -acw, ... after the transform</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Suffix</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>S&amp;uffix:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ask</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replace it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skip the file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>If a file exists</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>If a file &amp;exists:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Transform</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Conversion progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Go</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Fol&amp;der</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A conversion is running. Stop it and quit?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No file manager could be started to open %1. The converted files are there.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 exists. Replace it with the converted file?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Replace</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Skip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replace &amp;All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>S&amp;kip All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Conversion finished</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kestrel::ui::PreviewPane</name>
    <message>
        <source>Preview:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Now
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Frame shown</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fra&amp;me %1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Frame %1 now, %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Frame %1 after %2, %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fra&amp;me</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add an AVI file to see its frames here.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
