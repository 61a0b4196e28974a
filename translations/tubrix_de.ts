<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>TFindingsPanel</name>
    <message>
        <source>&amp;Findings</source>
        <translation>Be&amp;funde</translation>
    </message>
    <message>
        <source>Findings</source>
        <translation>Befunde</translation>
    </message>
    <message>
        <source>Row</source>
        <translation>Zeile</translation>
    </message>
    <message>
        <source>Rule</source>
        <translation>Regel</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Limit</source>
        <translation>Grenze</translation>
    </message>
    <message>
        <source>Finding</source>
        <translation>Befund</translation>
    </message>
    <message>
        <source>part</source>
        <translation>Teil</translation>
    </message>
    <message>
        <source> and %1</source>
        <translation> und %1</translation>
    </message>
    <message>
        <source>No findings</source>
        <translation>Keine Befunde</translation>
    </message>
    <message>
        <source>row %1: %2</source>
        <translation>Zeile %1: %2</translation>
    </message>
</context>
<context>
    <name>TFrmMain</name>
    <message>
        <source>Tube diameter</source>
        <translation>Rohr-Ø</translation>
    </message>
    <message>
        <source>Make 3D</source>
        <translation>3D erzeugen</translation>
    </message>
    <message>
        <source>lengths in %1</source>
        <translation>Längen in %1</translation>
    </message>
    <message>
        <source>The program</source>
        <translation>Das Programm</translation>
    </message>
    <message>
        <source>%1 says no unit: its lengths are taken as %2, the profile&apos;s</source>
        <translation>%1 nennt keine Einheit: die Längen gelten als %2, die des Profils</translation>
    </message>
    <message>
        <source>%1 says no unit: its lengths are taken as %2, the program&apos;s</source>
        <translation>%1 nennt keine Einheit: die Längen gelten als %2, die des Programms</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Machine</source>
        <translation>&amp;Maschine</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Wiederholen</translation>
    </message>
    <message>
        <source>&amp;Make 3D</source>
        <translation>&amp;3D erzeugen</translation>
    </message>
    <message>
        <source>&amp;Frame the part</source>
        <translation>Teil ein&amp;passen</translation>
    </message>
    <message>
        <source>&amp;Home view</source>
        <translation>&amp;Grundansicht</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;About Tubrix</source>
        <translation>&amp;Über Tubrix</translation>
    </message>
    <message>
        <source>About Tubrix</source>
        <translation>Über Tubrix</translation>
    </message>
    <message>
        <source>Tubrix shows a bent tube in 3D before it is bent.

Type a bend program, one row per step: Y the straight, B the turn of the bending plane, C the bend angle, R the bend radius; then Make 3D.</source>
        <translation>Tubrix zeigt ein gebogenes Rohr in 3D, bevor es gebogen wird.

Geben Sie ein Biegeprogramm ein, eine Zeile je Schritt: Y die Gerade, B die Drehung der Biegeebene, C den Biegewinkel, R den Biegeradius; dann „3D erzeugen“.</translation>
    </message>
    <message>
        <source>bend programs in 3D</source>
        <translation>Biegeprogramme in 3D</translation>
    </message>
</context>
<context>
    <name>TFrmSimPipe</name>
    <message>
        <source>Roll anticlockwise (hold)</source>
        <translation>Gegen den Uhrzeigersinn rollen (halten)</translation>
    </message>
    <message>
        <source>Turn up (hold)</source>
        <translation>Nach oben drehen (halten)</translation>
    </message>
    <message>
        <source>Roll clockwise (hold)</source>
        <translation>Im Uhrzeigersinn rollen (halten)</translation>
    </message>
    <message>
        <source>Turn left (hold)</source>
        <translation>Nach links drehen (halten)</translation>
    </message>
    <message>
        <source>Home view: the first look at the whole part</source>
        <translation>Grundansicht: der erste Blick auf das ganze Teil</translation>
    </message>
    <message>
        <source>Turn right (hold)</source>
        <translation>Nach rechts drehen (halten)</translation>
    </message>
    <message>
        <source>Zoom out (hold)</source>
        <translation>Verkleinern (halten)</translation>
    </message>
    <message>
        <source>Turn down (hold)</source>
        <translation>Nach unten drehen (halten)</translation>
    </message>
    <message>
        <source>Zoom in (hold)</source>
        <translation>Vergrößern (halten)</translation>
    </message>
    <message>
        <source>Move left (hold)</source>
        <translation>Nach links schieben (halten)</translation>
    </message>
    <message>
        <source>Move up (hold)</source>
        <translation>Nach oben schieben (halten)</translation>
    </message>
    <message>
        <source>Move right (hold)</source>
        <translation>Nach rechts schieben (halten)</translation>
    </message>
    <message>
        <source>Does nothing</source>
        <translation>Ohne Funktion</translation>
    </message>
    <message>
        <source>Move down (hold)</source>
        <translation>Nach unten schieben (halten)</translation>
    </message>
</context>
<context>
    <name>TMachineChecks</name>
    <message>
        <source>Machine profiles (*.toml);;All files (*)</source>
        <translation>Maschinenprofile (*.toml);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Load machine profile</source>
        <translation>Maschinenprofil laden</translation>
    </message>
    <message>
        <source>No findings</source>
        <translation>Keine Befunde</translation>
    </message>
    <message>
        <source>1 finding</source>
        <translation>1 Befund</translation>
    </message>
    <message>
        <source>%1 findings</source>
        <translation>%1 Befunde</translation>
    </message>
    <message>
        <source> (mirrored part)</source>
        <translation> (gespiegeltes Teil)</translation>
    </message>
    <message>
        <source>&amp;Load profile…</source>
        <translation>Maschinenprofil &amp;laden…</translation>
    </message>
    <message>
        <source>Loaded machine %1 from %2</source>
        <translation>Maschine %1 aus %2 geladen</translation>
    </message>
    <message>
        <source>%1</source>
        <comment>a profile that cannot be loaded: the reader&apos;s own words</comment>
        <translation>Das Maschinenprofil kann nicht geladen werden:
%1</translation>
    </message>
</context>
<context>
    <name>TMeasuredComparison</name>
    <message>
        <source>Compare with measured</source>
        <translation>Mit Messung vergleichen</translation>
    </message>
    <message>
        <source>Measured parts (*.csv *.txt);;All files (*)</source>
        <translation>Gemessene Teile (*.csv *.txt);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Tail: dY %1</source>
        <translation>Endstück: dY %1</translation>
    </message>
    <message>
        <source>&amp;Compare with measured…</source>
        <translation>Mit &amp;Messung vergleichen…</translation>
    </message>
    <message>
        <source>Press &quot;Make 3D&quot; first: there is no part to compare with yet.</source>
        <translation>Zuerst „3D erzeugen“ drücken: Es gibt noch kein Teil zum Vergleichen.</translation>
    </message>
    <message>
        <source>: the part cannot be compared.</source>
        <translation>: Das Teil kann nicht verglichen werden.</translation>
    </message>
    <message>
        <source>Sheath %1 &lt;= %2 at row %3 — passes</source>
        <translation>Mantelabw. %1 &lt;= %2 in Zeile %3 – i. O.</translation>
    </message>
    <message>
        <source>Sheath %1 &gt; %2 at row %3 — fails</source>
        <translation>Mantelabw. %1 &gt; %2 in Zeile %3 – n. i. O.</translation>
    </message>
    <message>
        <source>; the other hand</source>
        <translation>; spiegelbildlich</translation>
    </message>
    <message>
        <source>Compared with %1</source>
        <translation>Mit %1 verglichen</translation>
    </message>
    <message>
        <source>%1</source>
        <comment>a measured file that cannot be read: the reader&apos;s own words</comment>
        <translation>Die Messung kann nicht gelesen werden:
%1</translation>
    </message>
    <message>
        <source>%1</source>
        <comment>a measured part that cannot be compared: the library&apos;s own words</comment>
        <translation>Die Messung kann nicht verglichen werden:
%1</translation>
    </message>
    <message>
        <source>Row %1: dY %2  dB %3  dC %4  dR %5</source>
        <translation>Zeile %1: dY %2  dB %3  dC %4  dR %5</translation>
    </message>
    <message>
        <source>Compared with %1, its lengths converted from %2 to %3</source>
        <translation>Mit %1 verglichen, seine Längen von %2 in %3 umgerechnet</translation>
    </message>
    <message>
        <source>; read from the other end</source>
        <translation>; vom anderen Ende gelesen</translation>
    </message>
</context>
<context>
    <name>TMirrorToggle</name>
    <message>
        <source>&amp;Other hand (mirrored)</source>
        <translation>&amp;Spiegelbildliches Teil</translation>
    </message>
    <message>
        <source>Mirrored</source>
        <translation>Gespiegelt</translation>
    </message>
    <message>
        <source>The other hand of the part: every B negated (Ctrl+Shift+M)</source>
        <translation>Das spiegelbildliche Teil: jedes B mit umgekehrtem Vorzeichen (Strg+Umschalt+M)</translation>
    </message>
</context>
<context>
    <name>TProgramFiles</name>
    <message>
        <source>Bend programs (*.csv);;All files (*)</source>
        <translation>Biegeprogramme (*.csv);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Bend programs and STEP parts (*.csv *.CSV *.step *.stp *.STEP *.STP);;Bend programs (*.csv);;STEP parts (*.step *.stp *.STEP *.STP);;All files (*)</source>
        <translation>Biegeprogramme und STEP-Teile (*.csv *.CSV *.step *.stp *.STEP *.STP);;Biegeprogramme (*.csv);;STEP-Teile (*.step *.stp *.STEP *.STP);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>tubrix-cli did not answer within %1 s; it was stopped.</source>
        <translation>tubrix-cli hat nicht innerhalb von %1 s geantwortet und wurde beendet.</translation>
    </message>
    <message>
        <source>tubrix-cli failed without saying why.</source>
        <translation>tubrix-cli ist ohne Angabe von Gründen gescheitert.</translation>
    </message>
    <message>
        <source>Save bend program</source>
        <translation>Biegeprogramm speichern</translation>
    </message>
    <message>
        <source>Open bend program</source>
        <translation>Biegeprogramm öffnen</translation>
    </message>
    <message>
        <source>Go on</source>
        <translation>Fortfahren</translation>
    </message>
    <message>
        <source>1 row</source>
        <translation>1 Zeile</translation>
    </message>
    <message>
        <source>%1 rows</source>
        <translation>%1 Zeilen</translation>
    </message>
    <message>
        <source>&amp;Open…</source>
        <translation>Ö&amp;ffnen…</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>Save &amp;as…</source>
        <translation>Speichern &amp;unter…</translation>
    </message>
    <message>
        <source>Open &amp;recent</source>
        <translation>&amp;Zuletzt geöffnet</translation>
    </message>
    <message>
        <source>Close Tubrix</source>
        <translation>Tubrix schließen</translation>
    </message>
    <message>
        <source>The program has changes that are not saved. %1 and lose them?</source>
        <translation>Das Programm hat ungespeicherte Änderungen. %1 und sie verwerfen?</translation>
    </message>
    <message>
        <source>%1 is no longer there; it was taken off the recent list.</source>
        <translation>%1 ist nicht mehr vorhanden und wurde aus der Liste entfernt.</translation>
    </message>
    <message>
        <source>Open %1</source>
        <translation>%1 öffnen</translation>
    </message>
    <message>
        <source>Opened %1 (%2)</source>
        <translation>%1 geöffnet (%2)</translation>
    </message>
    <message>
        <source> — %1 marked: values a program may not hold</source>
        <translation> – %1 markiert: Werte, die ein Programm nicht enthalten darf</translation>
    </message>
    <message>
        <source>1 field</source>
        <translation>1 Feld</translation>
    </message>
    <message>
        <source>%1 fields</source>
        <translation>%1 Felder</translation>
    </message>
    <message>
        <source>%1 gives no tube diameter. Tube diameter:</source>
        <translation>%1 nennt keinen Rohrdurchmesser. Rohrdurchmesser:</translation>
    </message>
    <message>
        <source>%1 gives no bend radius at some points. Bend radius there:</source>
        <translation>%1 nennt an einigen Punkten keinen Biegeradius. Biegeradius dort:</translation>
    </message>
    <message>
        <source>Read %1 points from %2 as a program of %3; Ctrl+S saves it as a new .csv</source>
        <translation>%1 Punkte aus %2 als Programm mit %3 gelesen; Strg+S speichert es als neue .csv</translation>
    </message>
    <message>
        <source>tubrix-cli was not found beside Tubrix nor on the PATH: a STEP part is read through it.</source>
        <translation>tubrix-cli wurde weder neben Tubrix noch im PATH gefunden: Ein STEP-Teil wird damit gelesen.</translation>
    </message>
    <message>
        <source>%1 holds %2 tubes. Open which?</source>
        <translation>%1 enthält %2 Rohre. Welches öffnen?</translation>
    </message>
    <message>
        <source>Read the tube of %1 as a program of %2; Ctrl+S saves it as a new .csv</source>
        <translation>Das Rohr aus %1 als Programm mit %2 gelesen; Strg+S speichert es als neue .csv</translation>
    </message>
    <message>
        <source> Nothing was saved.</source>
        <translation> Es wurde nichts gespeichert.</translation>
    </message>
    <message>
        <source>%1 is the points file the program was read from; save the program under another name.</source>
        <translation>%1 ist die Punktedatei, aus der das Programm gelesen wurde; speichern Sie das Programm unter einem anderen Namen.</translation>
    </message>
    <message>
        <source>%1 has changed on disk since it was opened. Overwrite it?</source>
        <translation>%1 wurde seit dem Öffnen auf dem Datenträger geändert. Überschreiben?</translation>
    </message>
    <message>
        <source>Saved %1 (%2)</source>
        <translation>%1 gespeichert (%2)</translation>
    </message>
    <message>
        <source>%1</source>
        <comment>a program that cannot be opened: the reader&apos;s own words</comment>
        <translation>Das Programm kann nicht geöffnet werden:
%1</translation>
    </message>
    <message>
        <source>%1</source>
        <comment>a points file that cannot be read: the reader&apos;s own words</comment>
        <translation>Die Punktedatei kann nicht gelesen werden:
%1</translation>
    </message>
    <message>
        <source>%1</source>
        <comment>points that make no program: the library&apos;s own words</comment>
        <translation>Aus den Punkten ergibt sich kein Biegeprogramm:
%1</translation>
    </message>
    <message>
        <source>%1</source>
        <comment>a STEP part that cannot be read: tubrix-cli&apos;s own words</comment>
        <translation>Das STEP-Teil kann nicht gelesen werden:
%1</translation>
    </message>
    <message>
        <source>%1</source>
        <comment>a program that cannot be saved: the system&apos;s own words</comment>
        <translation>Das Programm wurde nicht gespeichert:
%1</translation>
    </message>
    <message>
        <source>The wall %1 of the tube leaves no bore in the diameter %2. Nothing was saved.</source>
        <translation>Die Wandstärke %1 lässt beim Durchmesser %2 keinen Innendurchmesser übrig. Es wurde nichts gespeichert.</translation>
    </message>
</context>
<context>
    <name>TProgramGrid</name>
    <message>
        <source>Developed length out of range</source>
        <translation>Abwicklung außerhalb des Bereichs</translation>
    </message>
    <message>
        <source>Developed length </source>
        <translation>Abwicklung </translation>
    </message>
    <message>
        <source>1 field</source>
        <translation>1 Feld</translation>
    </message>
    <message>
        <source>%1 fields</source>
        <translation>%1 Felder</translation>
    </message>
    <message>
        <source> not a number</source>
        <translation> keine Zahl</translation>
    </message>
    <message>
        <source> out of limits</source>
        <translation> außerhalb der Grenzen</translation>
    </message>
    <message>
        <source> marked</source>
        <translation> markiert</translation>
    </message>
    <message>
        <source>Add row</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Add a row after the current one (Ctrl+Enter)</source>
        <translation>Eine Zeile nach der aktuellen einfügen (Strg+Eingabe)</translation>
    </message>
    <message>
        <source>Delete row</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Delete the current row (Ctrl+Delete)</source>
        <translation>Die aktuelle Zeile löschen (Strg+Entf)</translation>
    </message>
    <message>
        <source>&amp;Add row</source>
        <translation>Zeile &amp;einfügen</translation>
    </message>
    <message>
        <source>&amp;Delete row</source>
        <translation>Zeile &amp;löschen</translation>
    </message>
    <message>
        <source>&amp;Copy whole program</source>
        <translation>Ganzes Programm &amp;kopieren</translation>
    </message>
    <message>
        <source>&amp;Paste block</source>
        <translation>Block ein&amp;fügen</translation>
    </message>
    <message>
        <source>Rows %1–%2 of %3</source>
        <translation>Zeilen %1–%2 von %3</translation>
    </message>
    <message>
        <source>Tube diameter</source>
        <translation>Rohrdurchmesser</translation>
    </message>
    <message>
        <source>
changed — press Make 3D</source>
        <translation>
geändert – „3D erzeugen“ drücken</translation>
    </message>
    <message>
        <source>Paste a block into a Y, B, C or R field: it goes from there down and rightwards.</source>
        <translation>Einen Block in ein Y-, B-, C- oder R-Feld einfügen: Er reicht von dort nach unten und nach rechts.</translation>
    </message>
    <message>
        <source>Not pasted: </source>
        <translation>Nicht eingefügt: </translation>
    </message>
    <message>
        <source>Add row after row %1</source>
        <translation>Zeile nach Zeile %1 einfügen</translation>
    </message>
    <message>
        <source>Delete row %1</source>
        <translation>Zeile %1 löschen</translation>
    </message>
    <message>
        <source>Copy whole program</source>
        <translation>Ganzes Programm kopieren</translation>
    </message>
    <message>
        <source>Paste block</source>
        <translation>Block einfügen</translation>
    </message>
    <message>
        <source>Not pasted: &quot;%1&quot; could be a thousands separator or a decimal comma; write it with a point or without the comma.</source>
        <translation>Nicht eingefügt: „%1“ kann ein Tausendertrennzeichen oder ein Dezimalkomma sein; schreiben Sie die Zahl mit Punkt oder ohne Komma.</translation>
    </message>
</context>
<context>
    <name>TProgramModel</name>
    <message>
        <source> Ctrl+S will not save it.</source>
        <translation> Strg+S speichert es nicht.</translation>
    </message>
    <message>
        <source>Y, the straight length, must be 0 or more</source>
        <translation>Y, die Länge der Geraden, muss 0 oder größer sein</translation>
    </message>
    <message>
        <source>C, the bend angle, must be from 0 to 180 degrees</source>
        <translation>C, der Biegewinkel, muss zwischen 0 und 180 Grad liegen</translation>
    </message>
    <message>
        <source>R, the bend radius, must be greater than 0 on a row that bends</source>
        <translation>R, der Biegeradius, muss in einer Zeile, die biegt, größer als 0 sein</translation>
    </message>
    <message>
        <source>the last row&apos;s C must be 0: the tube ends with its last straight (a program that ends in a bend gives a last row 0,0,0,R)</source>
        <translation>C der letzten Zeile muss 0 sein: Das Rohr endet mit seiner letzten Geraden (ein Programm, das mit einer Biegung endet, hat als letzte Zeile 0,0,0,R)</translation>
    </message>
    <message>
        <source>the diameter must be greater than 0</source>
        <translation>der Durchmesser muss größer als 0 sein</translation>
    </message>
    <message>
        <source>. Make 3D uses it as typed.</source>
        <translation>. „3D erzeugen“ verwendet den Wert wie eingegeben.</translation>
    </message>
    <message>
        <source>diameter</source>
        <translation>Durchmesser</translation>
    </message>
    <message>
        <source>row %1, %2</source>
        <translation>Zeile %1, %2</translation>
    </message>
    <message>
        <source>Tube diameter</source>
        <translation>Rohrdurchmesser</translation>
    </message>
    <message>
        <source>%1 in row %2</source>
        <translation>%1 in Zeile %2</translation>
    </message>
    <message>
        <source>Not a number: Make 3D uses 100.</source>
        <translation>Keine Zahl: „3D erzeugen“ verwendet 100.</translation>
    </message>
    <message>
        <source>Not a number: Make 3D uses 0.</source>
        <translation>Keine Zahl: „3D erzeugen“ verwendet 0.</translation>
    </message>
    <message>
        <source> (and %1 more marked)</source>
        <translation> (und %1 weitere markiert)</translation>
    </message>
    <message>
        <source>The clipboard holds more than %1 characters; nothing was changed.</source>
        <translation>Die Zwischenablage enthält mehr als %1 Zeichen; nichts wurde geändert.</translation>
    </message>
    <message>
        <source>; nothing was changed.</source>
        <translation>; nichts wurde geändert.</translation>
    </message>
    <message>
        <source>The clipboard holds no numbers</source>
        <translation>Die Zwischenablage enthält keine Zahlen</translation>
    </message>
    <message>
        <source>Line %1</source>
        <translation>Zeile %1</translation>
    </message>
    <message>
        <source> would be row %1; a program holds at most %2 rows</source>
        <translation> wäre Zeile %1; ein Programm hat höchstens %2 Zeilen</translation>
    </message>
    <message>
        <source>, cell %1 runs past the R column</source>
        <translation>, Zelle %1 reicht über die Spalte R hinaus</translation>
    </message>
    <message>
        <source>, cell %1: &quot;%2&quot; could be a thousands separator or a decimal comma; write it with a point or without the comma</source>
        <translation>, Zelle %1: „%2“ kann ein Tausendertrennzeichen oder ein Dezimalkomma sein; schreiben Sie die Zahl mit Punkt oder ohne Komma</translation>
    </message>
    <message>
        <source>, cell %1: &quot;%2&quot; is not a number</source>
        <translation>, Zelle %1: „%2“ ist keine Zahl</translation>
    </message>
    <message>
        <source>%1</source>
        <comment>a pasted program that cannot be read: the reader&apos;s own words</comment>
        <translation>Die Zwischenablage enthält kein lesbares Programm:
%1</translation>
    </message>
    <message>
        <source>the tube&apos;s length overflows</source>
        <translation>die Länge des Rohrs läuft über</translation>
    </message>
    <message>
        <source>the program has no rows</source>
        <translation>das Programm hat keine Zeilen</translation>
    </message>
    <message>
        <source>row %1</source>
        <translation>Zeile %1</translation>
    </message>
</context>
<context>
    <name>TSequenceSteps</name>
    <message>
        <source>angle </source>
        <translation>Winkel </translation>
    </message>
    <message>
        <source>bend to %1 (part %2)</source>
        <translation>biegen auf %1 (Teil %2)</translation>
    </message>
    <message>
        <source>turning</source>
        <translation>beim Drehen</translation>
    </message>
    <message>
        <source>bending</source>
        <translation>beim Biegen</translation>
    </message>
    <message>
        <source>after the bend</source>
        <translation>nach dem Biegen</translation>
    </message>
    <message>
        <source>%1 %2 %3 &lt; %4</source>
        <translation>%1 %2 %3 &lt; %4</translation>
    </message>
    <message>
        <source>stock</source>
        <translation>Rohrstange</translation>
    </message>
    <message>
        <source>floor</source>
        <translation>Boden</translation>
    </message>
    <message>
        <source>no contact</source>
        <translation>keine Berührung</translation>
    </message>
    <message>
        <source>contact: </source>
        <translation>Berührung: </translation>
    </message>
    <message>
        <source>Part</source>
        <translation>Teil</translation>
    </message>
    <message>
        <source>Bend </source>
        <translation>Biegung </translation>
    </message>
    <message>
        <source>The part on the machine, bend by bend (Up, Down, Page Up, Page Down); Part or Escape: the normal picture</source>
        <translation>Das Teil auf der Maschine, Biegung für Biegung (Auf, Ab, Bild auf, Bild ab); Teil oder Esc: das normale Bild</translation>
    </message>
    <message>
        <source>no program yet: press &quot;Make 3D&quot;</source>
        <translation>noch kein Programm: „3D erzeugen“ drücken</translation>
    </message>
    <message>
        <source> / %1</source>
        <translation> / %1</translation>
    </message>
    <message>
        <source> mirrored</source>
        <translation> gespiegelt</translation>
    </message>
    <message>
        <source>Loaded; bend 1 next</source>
        <translation>Eingelegt; als Nächstes Biegung 1</translation>
    </message>
    <message>
        <source>Bend %1</source>
        <translation>Biegung %1</translation>
    </message>
    <message>
        <source>%1: row %2, feed %3, rotate %4, %5, radius %6; %7</source>
        <translation>%1: Zeile %2, Vorschub %3, Drehen %4, %5, Radius %6; %7</translation>
    </message>
</context>
<context>
    <name>TSetupSheetAction</name>
    <message>
        <source>Print setup sheet</source>
        <translation>Einrichteblatt drucken</translation>
    </message>
    <message>
        <source>PDF files (*.pdf);;All files (*)</source>
        <translation>PDF-Dateien (*.pdf);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>&amp;Print setup sheet…</source>
        <translation>Einrichteblatt &amp;drucken…</translation>
    </message>
    <message>
        <source> No setup sheet was written.</source>
        <translation> Es wurde kein Einrichteblatt geschrieben.</translation>
    </message>
    <message>
        <source>Press &quot;Make 3D&quot; first: there is no part to print yet.</source>
        <translation>Zuerst „3D erzeugen“ drücken: Es gibt noch kein Teil zum Drucken.</translation>
    </message>
    <message>
        <source>Row %1: %2</source>
        <translation>Zeile %1: %2</translation>
    </message>
    <message>
        <source>Tube diameter: %1</source>
        <translation>Rohrdurchmesser: %1</translation>
    </message>
    <message>
        <source>: no setup sheet was written.</source>
        <translation>: Es wurde kein Einrichteblatt geschrieben.</translation>
    </message>
    <message>
        <source>tubrix-cli was not found beside Tubrix nor on the PATH: no setup sheet was written.</source>
        <translation>tubrix-cli wurde weder neben Tubrix noch im PATH gefunden: Es wurde kein Einrichteblatt geschrieben.</translation>
    </message>
    <message>
        <source>Tubrix part</source>
        <translation>Tubrix-Teil</translation>
    </message>
    <message>
        <source>The machine profile could not be handed to tubrix-cli: </source>
        <translation>Das Maschinenprofil konnte nicht an tubrix-cli übergeben werden: </translation>
    </message>
    <message>
        <source>The setup sheet could not be written</source>
        <translation>Das Einrichteblatt konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <source>Printed the setup sheet to %1 (%2 rows)</source>
        <translation>Einrichteblatt nach %1 gedruckt (%2 Zeilen)</translation>
    </message>
</context>
</TS>
