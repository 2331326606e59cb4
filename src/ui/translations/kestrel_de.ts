<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>BatchController</name>
    <message>
        <source>Kestrel: %1%</source>
        <translation>Kestrel: %1%</translation>
    </message>
    <message>
        <source>, %1:%2 left</source>
        <translation>, noch %1:%2</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Stopp</translation>
    </message>
    <message>
        <source>The suffix &quot;%1&quot; may not contain &quot;/&quot;; choose an output folder instead</source>
        <translation>Die Endung „%1“ darf kein „/“ enthalten; wählen Sie stattdessen einen Ausgabeordner</translation>
    </message>
    <message numerus="yes">
        <source>Replace %n file(s) with the converted picture? The original video of each is replaced once its conversion is complete, and cannot be had back.</source>
        <translation>
            <numerusform>%n Datei durch das umgewandelte Bild ersetzen? Das ursprüngliche Video wird ersetzt, sobald seine Umwandlung fertig ist, und lässt sich nicht zurückholen.</numerusform>
            <numerusform>%n Dateien durch das umgewandelte Bild ersetzen? Das ursprüngliche Video jeder Datei wird ersetzt, sobald ihre Umwandlung fertig ist, und lässt sich nicht zurückholen.</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 exists</source>
        <translation>%1 ist vorhanden</translation>
    </message>
    <message>
        <source>Couldn&apos;t start the conversion of %1: %2</source>
        <translation>Die Umwandlung von %1 konnte nicht gestartet werden: %2</translation>
    </message>
    <message>
        <source>Couldn&apos;t start the progress timer for %1</source>
        <translation>Der Fortschrittszeitgeber für %1 konnte nicht gestartet werden</translation>
    </message>
    <message>
        <source>&amp;Go</source>
        <translation>&amp;Los</translation>
    </message>
    <message numerus="yes">
        <source>; %n more file(s) with warnings</source>
        <translation>
            <numerusform>; %n weitere Datei mit Warnungen</numerusform>
            <numerusform>; %n weitere Dateien mit Warnungen</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 would be written over %2, another file of this batch (leave it out, or choose another suffix)</source>
        <translation>%1 würde über %2 geschrieben, eine andere Datei dieses Stapels (lassen Sie sie weg oder wählen Sie eine andere Endung)</translation>
    </message>
</context>
<context>
    <name>BatchOutcome</name>
    <message numerus="yes">
        <source>Stopped: %1 not finished, %n file(s) left; </source>
        <translation>
            <numerusform>Angehalten: %1 nicht fertig, %n Datei übrig; </numerusform>
            <numerusform>Angehalten: %1 nicht fertig, %n Dateien übrig; </numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) converted in place</source>
        <translation>
            <numerusform>%n Datei an Ort und Stelle umgewandelt</numerusform>
            <numerusform>%n Dateien an Ort und Stelle umgewandelt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) converted beside their sources</source>
        <translation>
            <numerusform>%n Datei neben ihrer Quelle umgewandelt</numerusform>
            <numerusform>%n Dateien neben ihren Quellen umgewandelt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) converted to %1</source>
        <translation>
            <numerusform>%n Datei nach %1 umgewandelt</numerusform>
            <numerusform>%n Dateien nach %1 umgewandelt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %n skipped</source>
        <translation>
            <numerusform>, %n übersprungen</numerusform>
            <numerusform>, %n übersprungen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %n failed</source>
        <translation>
            <numerusform>, %n fehlgeschlagen</numerusform>
            <numerusform>, %n fehlgeschlagen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Stopped, %n file(s) left; </source>
        <translation>
            <numerusform>Angehalten, %n Datei übrig; </numerusform>
            <numerusform>Angehalten, %n Dateien übrig; </numerusform>
        </translation>
    </message>
</context>
<context>
    <name>FirstFrame</name>
    <message>
        <source>This file cannot be opened.</source>
        <translation>Diese Datei lässt sich nicht öffnen.</translation>
    </message>
    <message>
        <source>This is not a regular file.</source>
        <translation>Dies ist keine reguläre Datei.</translation>
    </message>
    <message>
        <source>This file is not an AVI file.</source>
        <translation>Diese Datei ist keine AVI-Datei.</translation>
    </message>
    <message>
        <source>This file has no 24-bit Motion-JPEG video.</source>
        <translation>Diese Datei enthält kein 24-Bit-Motion-JPEG-Video.</translation>
    </message>
    <message>
        <source>This file holds no video frame.</source>
        <translation>Diese Datei enthält kein Videobild.</translation>
    </message>
    <message>
        <source>This frame is progressive or arithmetic-coded; only baseline frames are converted.</source>
        <translation>Dieses Bild ist progressiv oder arithmetisch codiert; umgewandelt werden nur Baseline-Bilder.</translation>
    </message>
    <message>
        <source>The first frame of this file cannot be decoded.</source>
        <translation>Das erste Bild dieser Datei lässt sich nicht dekodieren.</translation>
    </message>
</context>
<context>
    <name>InputListDelegate</name>
    <message>
        <source>Waiting</source>
        <translation>Wartet</translation>
    </message>
    <message>
        <source>Converting %1%</source>
        <translation>Wird umgewandelt, %1%</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Skipped: %1</source>
        <translation>Übersprungen: %1</translation>
    </message>
    <message>
        <source>Failed: %1</source>
        <translation>Fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>90° cw</source>
        <translation>90° rechts</translation>
    </message>
    <message>
        <source>90° acw</source>
        <translation>90° links</translation>
    </message>
    <message>
        <source>180°</source>
        <translation>180°</translation>
    </message>
    <message>
        <source>Mirror X</source>
        <translation>Spiegeln X</translation>
    </message>
    <message>
        <source>Mirror Y</source>
        <translation>Spiegeln Y</translation>
    </message>
</context>
<context>
    <name>InputPaths</name>
    <message>
        <source>no such file</source>
        <translation>keine solche Datei</translation>
    </message>
    <message>
        <source>the folder cannot be read</source>
        <translation>der Ordner lässt sich nicht lesen</translation>
    </message>
    <message>
        <source>the folder holds no .avi file</source>
        <translation>der Ordner enthält keine .avi-Datei</translation>
    </message>
    <message>
        <source>not a regular file (a FIFO, a device or a socket)</source>
        <translation>keine reguläre Datei (ein FIFO, ein Gerät oder ein Socket)</translation>
    </message>
    <message>
        <source>not an .avi file</source>
        <translation>keine .avi-Datei</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) not added:</source>
        <translation>
            <numerusform>%n Datei nicht hinzugefügt:</numerusform>
            <numerusform>%n Dateien nicht hinzugefügt:</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>KestrelApp</name>
    <message>
        <source>Rotates or mirrors the picture of Motion-JPEG AVI files, in a window.
The files named, and the .avi files of the folders named, are listed in it.</source>
        <translation>Dreht oder spiegelt das Bild von Motion-JPEG-AVI-Dateien, in einem Fenster.
Die genannten Dateien und die .avi-Dateien der genannten Ordner werden darin aufgelistet.</translation>
    </message>
    <message>
        <source>PATH</source>
        <translation>PFAD</translation>
    </message>
    <message>
        <source>An .avi file, or a folder of them</source>
        <translation>Eine .avi-Datei oder ein Ordner mit solchen</translation>
    </message>
    <message>
        <source>[PATH...]</source>
        <translation>[PFAD...]</translation>
    </message>
</context>
<context>
    <name>MainDialogRules</name>
    <message>
        <source>Choose an AVI File</source>
        <translation>AVI-Datei wählen</translation>
    </message>
    <message>
        <source>AVI Files (*.avi)</source>
        <translation>AVI-Dateien (*.avi)</translation>
    </message>
    <message>
        <source>; it is not added</source>
        <translation>; sie wird nicht hinzugefügt</translation>
    </message>
    <message>
        <source>Choose an Output Directory</source>
        <translation>Ausgabeordner wählen</translation>
    </message>
</context>
<context>
    <name>kestrel::ui::MainDialog</name>
    <message>
        <source>90° &amp;Clockwise</source>
        <translation>90° im &amp;Uhrzeigersinn</translation>
    </message>
    <message>
        <source>90° A&amp;nticlockwise</source>
        <translation>90° &amp;gegen den Uhrzeigersinn</translation>
    </message>
    <message>
        <source>18&amp;0°</source>
        <translation>18&amp;0°</translation>
    </message>
    <message>
        <source>Mirror &amp;X</source>
        <translation>Spiegeln &amp;X</translation>
    </message>
    <message>
        <source>Mirror &amp;Y</source>
        <translation>Spiegeln &amp;Y</translation>
    </message>
    <message>
        <source>90° Clockwise</source>
        <translation>90° im Uhrzeigersinn</translation>
    </message>
    <message>
        <source>90° Anticlockwise</source>
        <translation>90° gegen den Uhrzeigersinn</translation>
    </message>
    <message>
        <source>180°</source>
        <translation>180°</translation>
    </message>
    <message>
        <source>Mirror X</source>
        <translation>Spiegeln X</translation>
    </message>
    <message>
        <source>Mirror Y</source>
        <translation>Spiegeln Y</translation>
    </message>
    <message>
        <source>Input Files</source>
        <translation>Eingabedateien</translation>
    </message>
    <message>
        <source>&amp;Input Files:</source>
        <translation>&amp;Eingabedateien:</translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation>&amp;Hinzufügen...</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>Entfe&amp;rnen</translation>
    </message>
    <message>
        <source>Clear &amp;Finished</source>
        <translation>&amp;Fertige leeren</translation>
    </message>
    <message>
        <source>Take the converted, skipped and failed files off the list</source>
        <translation>Die umgewandelten, übersprungenen und fehlgeschlagenen Dateien aus der Liste nehmen</translation>
    </message>
    <message>
        <source>Into the output directory</source>
        <translation>In den Ausgabeordner</translation>
    </message>
    <message>
        <source>Beside each file, with a suffix</source>
        <translation>Neben jede Datei, mit Endung</translation>
    </message>
    <message>
        <source>Replacing each file</source>
        <translation>Jede Datei ersetzen</translation>
    </message>
    <message>
        <source>Write converted files</source>
        <translation>Umgewandelte Dateien schreiben</translation>
    </message>
    <message>
        <source>&amp;Write:</source>
        <translation>&amp;Ziel:</translation>
    </message>
    <message>
        <source>Output Directory</source>
        <translation>Ausgabeordner</translation>
    </message>
    <message>
        <source>&amp;Output Directory:</source>
        <translation>&amp;Ausgabeordner:</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>Choose Output Directory</source>
        <translation>Ausgabeordner wählen</translation>
    </message>
    <message>
        <source>-cw, -acw, ... after the transform</source>
        <translation>-cw, -acw, ... nach der Drehung</translation>
    </message>
    <message>
        <source>Suffix</source>
        <translation>Endung</translation>
    </message>
    <message>
        <source>S&amp;uffix:</source>
        <translation>E&amp;ndung:</translation>
    </message>
    <message>
        <source>Ask</source>
        <translation>Fragen</translation>
    </message>
    <message>
        <source>Replace it</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>Skip the file</source>
        <translation>Datei überspringen</translation>
    </message>
    <message>
        <source>If a file exists</source>
        <translation>Wenn eine Datei vorhanden ist</translation>
    </message>
    <message>
        <source>If a file &amp;exists:</source>
        <translation>Wenn &amp;vorhanden:</translation>
    </message>
    <message>
        <source>Transform</source>
        <translation>Drehung</translation>
    </message>
    <message>
        <source>Conversion progress</source>
        <translation>Fortschritt der Umwandlung</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Go</source>
        <translation>&amp;Los</translation>
    </message>
    <message>
        <source>Open Fol&amp;der</source>
        <translation>&amp;Ordner öffnen</translation>
    </message>
    <message>
        <source>A conversion is running. Stop it and quit?</source>
        <translation>Eine Umwandlung läuft. Anhalten und beenden?</translation>
    </message>
    <message>
        <source>No file manager could be started to open %1. The converted files are there.</source>
        <translation>Kein Dateimanager konnte gestartet werden, um %1 zu öffnen. Die umgewandelten Dateien liegen dort.</translation>
    </message>
    <message>
        <source>%1 exists. Replace it with the converted file?</source>
        <translation>%1 ist vorhanden. Durch die umgewandelte Datei ersetzen?</translation>
    </message>
    <message>
        <source>&amp;Replace</source>
        <translation>&amp;Ersetzen</translation>
    </message>
    <message>
        <source>&amp;Skip</source>
        <translation>&amp;Überspringen</translation>
    </message>
    <message>
        <source>Replace &amp;All</source>
        <translation>&amp;Alle ersetzen</translation>
    </message>
    <message>
        <source>S&amp;kip All</source>
        <translation>Alle über&amp;springen</translation>
    </message>
    <message>
        <source>Conversion finished</source>
        <translation>Umwandlung beendet</translation>
    </message>
</context>
<context>
    <name>kestrel::ui::PreviewPane</name>
    <message>
        <source>Preview:</source>
        <translation>Vorschau:</translation>
    </message>
    <message>
        <source>Now
%1</source>
        <translation>Jetzt
%1</translation>
    </message>
    <message>
        <source>Frame shown</source>
        <translation>Gezeigtes Bild</translation>
    </message>
    <message>
        <source>Fra&amp;me %1 of %2</source>
        <translation>B&amp;ild %1 von %2</translation>
    </message>
    <message>
        <source>Frame %1 now, %2</source>
        <translation>Bild %1 jetzt, %2</translation>
    </message>
    <message>
        <source>Frame %1 after %2, %3</source>
        <translation>Bild %1 nach %2, %3</translation>
    </message>
    <message>
        <source>Fra&amp;me</source>
        <translation>B&amp;ild</translation>
    </message>
    <message>
        <source>Add an AVI file to see its frames here.</source>
        <translation>Fügen Sie eine AVI-Datei hinzu, um hier ihre Bilder zu sehen.</translation>
    </message>
</context>
</TS>
