<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>CliArgs</name>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 erwartet einen Wert</translation>
    </message>
    <message>
        <source>--transport is &quot;name&quot; or &quot;address&quot;</source>
        <translation>--transport ist „name“ oder „address“</translation>
    </message>
    <message>
        <source>--mode is tao, sao, dao or dao-raw</source>
        <translation>--mode ist tao, sao, dao oder dao-raw</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>unbekannte Option %1</translation>
    </message>
    <message>
        <source>no command given</source>
        <translation>kein Befehl angegeben</translation>
    </message>
    <message>
        <source>unknown command %1</source>
        <translation>unbekannter Befehl %1</translation>
    </message>
    <message>
        <source>burn-files takes one or more files or folders</source>
        <translation>burn-files erwartet eine oder mehrere Dateien oder Ordner</translation>
    </message>
    <message>
        <source>%1 takes %2 argument(s)</source>
        <translation>%1 erwartet %2 Argument(e)</translation>
    </message>
    <message>
        <source>%1 needs --device DEVICE</source>
        <translation>%1 erwartet --device LAUFWERK</translation>
    </message>
    <message>
        <source>--multisession needs --mode tao: the other modes close the disc</source>
        <translation>--multisession setzt --mode tao voraus: Die anderen Modi schließen die Disc ab</translation>
    </message>
    <message>
        <source>no devices to use: give --demo or --virtual-drives FILE, or allow real drives</source>
        <translation>keine Laufwerke verfügbar: Geben Sie --demo oder --virtual-drives DATEI an oder lassen Sie echte Laufwerke zu</translation>
    </message>
    <message>
        <source>--copies is a number from 1 to 99</source>
        <translation>--copies ist eine Zahl von 1 bis 99</translation>
    </message>
    <message>
        <source>--speed is a whole factor from 1 to %1 such as 8, or max</source>
        <translation>--speed ist ein ganzzahliger Faktor von 1 bis %1 wie 8, oder max</translation>
    </message>
    <message>
        <source>--timeout is a number of seconds from 0 to %1; leave it out to wait as long as it takes</source>
        <translation>--timeout ist eine Anzahl Sekunden von 0 bis %1; ohne die Option wird gewartet, so lange es dauert</translation>
    </message>
    <message>
        <source>--append, --replace, --remove and --close are for burn-files: an image would hide the files on the disc</source>
        <translation>--append, --replace, --remove und --close gelten für burn-files: ein Abbild würde die Dateien auf der Disc verdecken</translation>
    </message>
    <message>
        <source>--replace, --remove and --close need --append</source>
        <translation>--replace, --remove und --close brauchen --append</translation>
    </message>
    <message>
        <source>--append writes with --mode tao: the other modes write a whole disc</source>
        <translation>--append schreibt mit --mode tao: die anderen Modi schreiben eine ganze Disc</translation>
    </message>
    <message>
        <source>--append makes one disc: each disc holds other files, so --copies cannot go with it</source>
        <translation>--append ergibt eine Disc: jede Disc enthält andere Dateien, daher geht --copies nicht damit</translation>
    </message>
    <message>
        <source>usage: korvanel-cli [global options] COMMAND [arguments]

Global options:
%1  --transport name|address  open devices by name (default) or by SCSI address
  --help, --version
  --                      every argument after it is a file or a device, even one such as -x.iso

Commands:
  devices                 list the CD/DVD devices and their discs
  info DEVICE             details of one device (CdRomN or port:bus:target:lun)
  speeds DEVICE           the write speeds the device offers for its disc
  burn IMAGE --device DEVICE [--mode tao|sao|dao|dao-raw] [--speed FACTOR|max]
       [--test] [--no-opc] [--multisession (tao only)] [--verify] [--save-log FILE]
       [--checksum-file SHA256SUMS (the image must match its line before burning)]
       [--no-eject (the disc stays in the drive when done)]
       [--copies N (1 to 99: after each copy the tray opens for the next blank disc)]
  burn-files PATH... --device DEVICE [--label L] [--mode ...] [--speed ...] [--verify]
       [--test] [--no-opc] [--multisession] [--save-log FILE]: burn files and folders
                          (the label defaults to the date)
       [--append [--replace] [--remove DISC-PATH]... [--close]]: add them to a disc
                          left open as a further session that lists the disc&apos;s files too
                          (--replace: a chosen name replaces the disc&apos;s; --remove: a path
                          of the disc left out; --close: no session after this one)
  erase DEVICE [--full]   erase the rewritable disc (CD-RW, DVD-RW, DVD+RW, BD-RE);
                          --full erases every block instead of the table of contents
  build-image FOLDER OUTPUT.iso [--label L] [--boot FILE]
  checksum IMAGE|DEVICE [--sha256|--md5]  the checksum of an image file or of a disc&apos;s data track
  wait-disc DEVICE [--timeout S]  returns when a disc is in the drive (0), or after S seconds (1)
  read DEVICE OUTPUT.iso  save the disc&apos;s data track as an image file, with its SHA-256;
                          OUTPUT - writes the image to standard output

Exit status: 0 success, 1 failure, 2 usage error, 3 cancelled.
</source>
        <translation>Aufruf: korvanel-cli [globale Optionen] BEFEHL [Argumente]

Globale Optionen:
%1  --transport name|address  Laufwerke über ihren Namen (Vorgabe) oder ihre SCSI-Adresse öffnen
  --help, --version
  --                      jedes Argument danach ist eine Datei oder ein Laufwerk, auch eines wie -x.iso

Befehle:
  devices                 die CD/DVD-Laufwerke und ihre Discs auflisten
  info LAUFWERK           Einzelheiten zu einem Laufwerk (CdRomN oder port:bus:target:lun)
  speeds LAUFWERK         die Schreibgeschwindigkeiten des Laufwerks für seine Disc
  burn ABBILD --device LAUFWERK [--mode tao|sao|dao|dao-raw] [--speed FAKTOR|max]
       [--test] [--no-opc] [--multisession (nur tao)] [--verify] [--save-log DATEI]
       [--checksum-file SHA256SUMS (das Abbild muss vor dem Brennen zu seiner Zeile passen)]
       [--no-eject (die Disc bleibt nach Abschluss im Laufwerk)]
       [--copies N (1 bis 99: nach jeder Kopie öffnet sich die Lade für die nächste leere Disc)]
  burn-files PFAD... --device LAUFWERK [--label L] [--mode ...] [--speed ...] [--verify]
       [--test] [--no-opc] [--multisession] [--save-log DATEI]: Dateien und Ordner brennen
                          (die Bezeichnung ist ohne Angabe das Datum)
       [--append [--replace] [--remove DISC-PFAD]... [--close]]: einer offen gelassenen
                          Disc als weitere Sitzung hinzufügen, die auch die Dateien der Disc auflistet
                          (--replace: ein gewählter Name ersetzt den der Disc; --remove: ein Pfad
                          der Disc wird weggelassen; --close: keine Sitzung mehr nach dieser)
  erase LAUFWERK [--full] die wiederbeschreibbare Disc löschen (CD-RW, DVD-RW, DVD+RW, BD-RE);
                          --full löscht jeden Block statt nur des Inhaltsverzeichnisses
  build-image ORDNER AUSGABE.iso [--label L] [--boot DATEI]
  checksum ABBILD|LAUFWERK [--sha256|--md5]  die Prüfsumme einer Abbilddatei oder der Datenspur einer Disc
  wait-disc LAUFWERK [--timeout S]  kehrt zurück, sobald eine Disc im Laufwerk liegt (0), oder nach S Sekunden (1)
  read LAUFWERK AUSGABE.iso  die Datenspur der Disc als Abbilddatei speichern, mit ihrer SHA-256;
                          AUSGABE - schreibt das Abbild in die Standardausgabe

Rückgabewert: 0 Erfolg, 1 Fehler, 2 Aufruffehler, 3 abgebrochen.
</translation>
    </message>
    <message>
        <source>
Audio CDs and cue sheets (onto a blank CD-R or CD-RW):
  burn-audio FILE... --device DEVICE [--title T] [--performer P] [--pause SECONDS|--gapless]
       [--mode sao|tao] [--verify] [the options of burn but --multisession, --checksum-file]
                          a track of each music file, its title from its tags; --pause: before
                          tracks 2 and on (2 s unless given); sao where the device offers it,
                          else tao (pauses of 2 s, no CD-TEXT)
  burn CUESHEET.cue --device DEVICE [--mode sao|tao] [...]  the tracks of a cue sheet
  read DEVICE OUTPUT.cue  save a CD (audio, mixed or data) as OUTPUT.bin and the sheet OUTPUT.cue
</source>
        <translation>
Audio-CDs und Cue-Sheets (auf eine leere CD-R oder CD-RW):
  burn-audio DATEI... --device GERÄT [--title T] [--performer P] [--pause SEKUNDEN|--gapless]
       [--mode sao|tao] [--verify] [die Optionen von burn außer --multisession, --checksum-file]
                          ein Titel je Musikdatei, sein Name aus ihren Tags; --pause: vor den
                          Titeln ab 2 (2 s, wenn nicht angegeben); sao, wo das Gerät es bietet,
                          sonst tao (Pausen von 2 s, kein CD-TEXT)
  burn CUESHEET.cue --device GERÄT [--mode sao|tao] [...]  die Titel eines Cue-Sheets
  read GERÄT AUSGABE.cue  eine CD (Audio, gemischt oder Daten) als AUSGABE.bin und das Sheet AUSGABE.cue sichern
</translation>
    </message>
    <message>
        <source>--pause is a number of seconds from 0 to %1</source>
        <translation>--pause ist eine Zahl von Sekunden von 0 bis %1</translation>
    </message>
    <message>
        <source>--gapless is --pause 0: give one of them</source>
        <translation>--gapless ist --pause 0: Geben Sie eines davon an</translation>
    </message>
    <message>
        <source>burn-audio takes one or more music files</source>
        <translation>burn-audio nimmt eine oder mehrere Musikdateien</translation>
    </message>
    <message>
        <source>--title, --performer, --pause and --gapless are for burn-audio (a cue sheet names its own)</source>
        <translation>--title, --performer, --pause und --gapless gelten für burn-audio (ein Cue-Sheet nennt seine eigenen)</translation>
    </message>
    <message>
        <source>Tracks are burned with --mode sao or --mode tao</source>
        <translation>Titel werden mit --mode sao oder --mode tao gebrannt</translation>
    </message>
    <message>
        <source>--multisession is not for tracks: they close the disc</source>
        <translation>--multisession gilt nicht für Titel: Sie schließen die Disc ab</translation>
    </message>
    <message>
        <source>--checksum-file checks an image file, not tracks</source>
        <translation>--checksum-file prüft eine Abbilddatei, keine Titel</translation>
    </message>
</context>
<context>
    <name>CliChecksum</name>
    <message>
        <source>Cannot read the image file &quot;%1&quot;: %2</source>
        <translation>Die Abbilddatei „%1“ kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>it is not a file</source>
        <translation>Es handelt sich nicht um eine Datei</translation>
    </message>
    <message>
        <source>it does not exist</source>
        <translation>Sie existiert nicht</translation>
    </message>
    <message>
        <source>Cannot read the disc in %1: %2</source>
        <translation>Die Disc in %1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>The drive %1 did not become ready: %2</source>
        <translation>Das Laufwerk %1 wurde nicht betriebsbereit: %2</translation>
    </message>
    <message>
        <source>The disc in %1 is not an ISO 9660 disc: no primary volume descriptor at sector 16</source>
        <translation>Die Disc in %1 ist keine ISO-9660-Disc: Sektor 16 enthält keinen Primary Volume Descriptor</translation>
    </message>
    <message>
        <source>The disc in %1 is not an ISO 9660 disc: its volume size is %2 blocks</source>
        <translation>Die Disc in %1 ist keine ISO-9660-Disc: Ihre Volume-Größe beträgt %2 Blöcke</translation>
    </message>
    <message>
        <source>Checksum cancelled</source>
        <translation>Prüfsummenberechnung abgebrochen</translation>
    </message>
    <message>
        <source>Checking the image against %1, %2 (%3)</source>
        <translation>Das Abbild wird anhand von %1, %2 (%3) geprüft</translation>
    </message>
    <message>
        <source>The image matches its checksum (%1 %2)</source>
        <translation>Das Abbild stimmt mit seiner Prüfsumme überein (%1 %2)</translation>
    </message>
    <message>
        <source>The disc in %1 is blank: it holds no data to compute a checksum of</source>
        <translation>Die Disc in %1 ist leer: Sie enthält keine Daten, deren Prüfsumme sich berechnen ließe</translation>
    </message>
</context>
<context>
    <name>CliCommands</name>
    <message>
        <source>the folder %1 does not exist</source>
        <translation>Der Ordner %1 existiert nicht</translation>
    </message>
    <message>
        <source>the folder %1 is not writable: %2</source>
        <translation>Der Ordner %1 ist nicht beschreibbar: %2</translation>
    </message>
    <message>
        <source>the file is not writable</source>
        <translation>Die Datei ist schreibgeschützt</translation>
    </message>
    <message>
        <source>Cannot save to &quot;%1&quot;: %2</source>
        <translation>Speichern unter „%1“ nicht möglich: %2</translation>
    </message>
    <message>
        <source>Cannot save to &quot;%1&quot;: it is the same file as the %2 &quot;%3&quot;; choose another name</source>
        <translation>Speichern unter „%1“ nicht möglich: Es ist dieselbe Datei wie %2 „%3“; wählen Sie einen anderen Namen</translation>
    </message>
    <message>
        <source>No CD/DVD device &quot;%1&quot; was found</source>
        <translation>Es wurde kein CD/DVD-Laufwerk „%1“ gefunden</translation>
    </message>
    <message>
        <source>No CD/DVD devices found.</source>
        <translation>Keine CD/DVD-Laufwerke gefunden.</translation>
    </message>
    <message>
        <source>The device %1 cannot write discs, so it has no write speeds</source>
        <translation>Das Laufwerk %1 kann keine Discs beschreiben und hat daher keine Schreibgeschwindigkeiten</translation>
    </message>
    <message>
        <source>The image &quot;%1&quot; lies inside the folder &quot;%2&quot; it is made from; choose an image file outside that folder</source>
        <translation>Das Abbild „%1“ liegt in dem Ordner „%2“, aus dem es erstellt wird; wählen Sie eine Abbilddatei außerhalb dieses Ordners</translation>
    </message>
    <message>
        <source>boot image</source>
        <translation>das Boot-Abbild</translation>
    </message>
    <message>
        <source>checksum file</source>
        <translation>die Prüfsummendatei</translation>
    </message>
    <message>
        <source>chosen file</source>
        <translation>die gewählte Datei</translation>
    </message>
    <message>
        <source>image</source>
        <translation>das Abbild</translation>
    </message>
    <message>
        <source>The burning mode &quot;%1&quot; is not offered for this device and disc (offered: %2)</source>
        <translation>Die Brennart „%1“ wird für dieses Laufwerk und diese Disc nicht angeboten (angeboten: %2)</translation>
    </message>
    <message>
        <source>The device reports no write speed for this disc</source>
        <translation>Das Laufwerk meldet für diese Disc keine Schreibgeschwindigkeit</translation>
    </message>
    <message>
        <source>The speed %1x is not offered (offered: %2)</source>
        <translation>Die Geschwindigkeit %1x wird nicht angeboten (angeboten: %2)</translation>
    </message>
    <message>
        <source>The burn itself ended as shown above; only its log was not saved</source>
        <translation>Der Brennvorgang selbst endete wie oben gezeigt; nur sein Protokoll wurde nicht gespeichert</translation>
    </message>
    <message>
        <source>The tray of %1 cannot be locked, so the disc could be taken out during the burn; nothing was burned: %2</source>
        <translation>Die Lade von %1 lässt sich nicht verriegeln, die Disc könnte also während des Brennens entnommen werden; es wurde nichts gebrannt: %2</translation>
    </message>
    <message>
        <source>The disc was written, but the errors above followed</source>
        <translation>Die Disc wurde beschrieben, doch danach traten die obigen Fehler auf</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is a FIFO; left out of the image</source>
        <translation>„%1“ ist eine benannte Pipe (FIFO) und bleibt außerhalb des Abbilds</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is a socket; left out of the image</source>
        <translation>„%1“ ist ein Socket und bleibt außerhalb des Abbilds</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is a character device; left out of the image</source>
        <translation>„%1“ ist ein zeichenorientiertes Gerät und bleibt außerhalb des Abbilds</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is a block device; left out of the image</source>
        <translation>„%1“ ist ein blockorientiertes Gerät und bleibt außerhalb des Abbilds</translation>
    </message>
    <message>
        <source>The chosen files and folders cannot be burned: %1</source>
        <translation>Die gewählten Dateien und Ordner können nicht gebrannt werden: %1</translation>
    </message>
    <message>
        <source>Cannot make an image of the folder &quot;%1&quot;: %2</source>
        <translation>Aus dem Ordner „%1“ kann kein Abbild erstellt werden: %2</translation>
    </message>
    <message>
        <source>Nothing is left for the image: every entry of &quot;%1&quot; is left out</source>
        <translation>Für das Abbild bleibt nichts übrig: jeder Eintrag von &quot;%1&quot; wird ausgelassen</translation>
    </message>
    <message>
        <source>%1; --append adds the chosen files to them</source>
        <translation>%1; --append fügt die gewählten Dateien hinzu</translation>
    </message>
    <message>
        <source>%1; --replace replaces them</source>
        <translation>%1; --replace ersetzt sie</translation>
    </message>
    <message>
        <source>Adding session %1 at block %2 to the %3 files on the disc</source>
        <translation>Sitzung %1 wird bei Block %2 zu den %3 Dateien auf der Disc hinzugefügt</translation>
    </message>
    <message>
        <source>The disc is blank: the files make its first session</source>
        <translation>Die Disc ist leer: die Dateien bilden ihre erste Sitzung</translation>
    </message>
    <message>
        <source>The music file &quot;%1&quot; does not exist</source>
        <translation>Die Musikdatei „%1“ existiert nicht</translation>
    </message>
    <message>
        <source>music file</source>
        <translation>Musikdatei</translation>
    </message>
    <message>
        <source>cue sheet</source>
        <translation>Cue-Sheet</translation>
    </message>
</context>
<context>
    <name>CliEngine</name>
    <message>
        <source>The virtual recorder configuration &quot;%1&quot; does not exist</source>
        <translation>Die Konfiguration der virtuellen Brenner „%1“ existiert nicht</translation>
    </message>
    <message>
        <source>No CD/DVD device &quot;%1&quot; was found</source>
        <translation>Es wurde kein CD/DVD-Laufwerk „%1“ gefunden</translation>
    </message>
    <message>
        <source>No disc in %1: %2</source>
        <translation>Keine Disc in %1: %2</translation>
    </message>
</context>
<context>
    <name>CliOutput</name>
    <message>
        <source>Cannot open &quot;%1&quot; for writing: %2</source>
        <translation>„%1“ kann nicht zum Schreiben geöffnet werden: %2</translation>
    </message>
    <message>
        <source>Cannot write to &quot;%1&quot;: %2</source>
        <translation>In „%1“ kann nicht geschrieben werden: %2</translation>
    </message>
</context>
<context>
    <name>CliRead</name>
    <message>
        <source>Standard output is a terminal: send the image into a file or a pipe</source>
        <translation>Die Standardausgabe ist ein Terminal: Leiten Sie das Abbild in eine Datei oder eine Pipe</translation>
    </message>
    <message>
        <source>standard output</source>
        <translation>Standardausgabe</translation>
    </message>
    <message>
        <source>The disc in %1 is blank: it holds no data to read into an image</source>
        <translation>Die Disc in %1 ist leer: Sie enthält keine Daten, die sich in ein Abbild lesen ließen</translation>
    </message>
    <message>
        <source>The disc in %1 is blank: it holds no tracks to read</source>
        <translation>Die Disc in %1 ist leer: Sie enthält keine Titel zum Lesen</translation>
    </message>
</context>
<context>
    <name>CliSessions</name>
    <message>
        <source>Session %1 of the disc in %2 cannot be read: %3</source>
        <translation>Sitzung %1 der Disc in %2 kann nicht gelesen werden: %3</translation>
    </message>
</context>
<context>
    <name>CliWaitDisc</name>
    <message>
        <source>There is no CD/DVD device %1 (name it CdRomN or /dev/srN)</source>
        <translation>Es gibt kein CD/DVD-Laufwerk %1 (geben Sie es als CdRomN oder /dev/srN an)</translation>
    </message>
    <message>
        <source>A disc is in %1</source>
        <translation>In %1 liegt eine Disc</translation>
    </message>
    <message>
        <source>No disc in %1 after %2 s</source>
        <translation>Nach %2 s keine Disc in %1</translation>
    </message>
    <message>
        <source>No disc in %1 after %2 s: the tray is open</source>
        <translation>Nach %2 s keine Disc in %1: Die Lade ist offen</translation>
    </message>
    <message>
        <source>Could not look for a disc in %1 within %2 s: %3</source>
        <translation>In %1 konnte innerhalb von %2 s nicht nach einer Disc gesehen werden: %3</translation>
    </message>
    <message>
        <source>The disc in %1 cannot be read: %2</source>
        <translation>Die Disc in %1 kann nicht gelesen werden: %2</translation>
    </message>
</context>
<context>
    <name>ProgramStart</name>
    <message>
        <source>usage: korvanel [--demo | --virtual-drives FILE] [--no-real-drives] [--time-scale X] [IMAGE.iso]

Opens the wizard that burns an ISO image onto a CD or DVD; IMAGE.iso is
preselected as the image to burn. Without options it uses the drives of this
machine, or the demo recorders when the machine has none.

Options:
%1  --help, -h              show this text
  --version               show the version
</source>
        <translation>Aufruf: korvanel [--demo | --virtual-drives DATEI] [--no-real-drives] [--time-scale X] [ABBILD.iso]

Öffnet den Assistenten, der ein ISO-Abbild auf eine CD oder DVD brennt; ABBILD.iso
ist als zu brennendes Abbild vorausgewählt. Ohne Optionen verwendet er die Laufwerke
dieses Rechners oder, wenn der Rechner keine hat, die Demo-Brenner.

Optionen:
%1  --help, -h              diesen Text anzeigen
  --version               die Version anzeigen
</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>unbekannte Option %1</translation>
    </message>
    <message>
        <source>only one image file can be given, not both %1 and %2</source>
        <translation>es kann nur eine Abbilddatei angegeben werden, nicht %1 und %2 zugleich</translation>
    </message>
    <message>
        <source>--demo and --virtual-drives exclude each other</source>
        <translation>--demo und --virtual-drives schließen einander aus</translation>
    </message>
    <message>
        <source>no devices to use: give --demo or --virtual-drives FILE, or allow real drives</source>
        <translation>keine Laufwerke verfügbar: Geben Sie --demo oder --virtual-drives DATEI an oder lassen Sie echte Laufwerke zu</translation>
    </message>
    <message>
        <source>this machine has no CD/DVD drive (no /dev/sr* device): using the demo recorders</source>
        <translation>dieser Rechner hat kein CD/DVD-Laufwerk (kein Gerät /dev/sr*): Die Demo-Brenner werden verwendet</translation>
    </message>
</context>
<context>
    <name>SplashForm</name>
    <message>
        <source>Wrong bitmap format - must be 32 bits/pixel (splash picture %1: %2)</source>
        <translation>Falsches Bitmap-Format – erforderlich sind 32 Bit pro Pixel (Startbild %1: %2)</translation>
    </message>
    <message>
        <source>not a readable picture</source>
        <translation>kein lesbares Bild</translation>
    </message>
    <message>
        <source>%1 bits per pixel</source>
        <translation>%1 Bit pro Pixel</translation>
    </message>
</context>
<context>
    <name>TFormSplash</name>
    <message>
        <source>Splash!</source>
        <translation>Startbild</translation>
    </message>
</context>
<context>
    <name>THelpActions</name>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Help Content</source>
        <translation>Hilfethemen</translation>
    </message>
    <message>
        <source>Quick Start...</source>
        <translation>Schnellstart...</translation>
    </message>
    <message>
        <source>Home Page</source>
        <translation>Homepage</translation>
    </message>
    <message>
        <source>More Related Tools...</source>
        <translation>Weitere verwandte Programme...</translation>
    </message>
    <message>
        <source>Check for Updates...</source>
        <translation>Nach Aktualisierungen suchen...</translation>
    </message>
    <message>
        <source>Contact Technical Support...</source>
        <translation>Technischen Support kontaktieren...</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Info</translation>
    </message>
</context>
<context>
    <name>TMainForm</name>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;Info</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>Über %1</translation>
    </message>
    <message>
        <source>Test burn finished: nothing was written to the disc</source>
        <translation>Testbrand beendet: auf die Disc wurde nichts geschrieben</translation>
    </message>
    <message>
        <source>Disc burned</source>
        <translation>Disc gebrannt</translation>
    </message>
    <message>
        <source>Disc burned and verified</source>
        <translation>Disc gebrannt und geprüft</translation>
    </message>
    <message>
        <source>Test burn cancelled</source>
        <translation>Testbrand abgebrochen</translation>
    </message>
    <message>
        <source>Burn cancelled: the disc may be unusable</source>
        <translation>Brennen abgebrochen: die Disc ist möglicherweise unbrauchbar</translation>
    </message>
    <message>
        <source>Burn failed</source>
        <translation>Brennen fehlgeschlagen</translation>
    </message>
    <message>
        <source>Source Files and Folders Selection</source>
        <translation>Auswahl der Dateien und Ordner</translation>
    </message>
    <message>
        <source>Please select the files and folders you would like to burn</source>
        <translation>Wählen Sie die Dateien und Ordner, die Sie brennen möchten</translation>
    </message>
    <message>
        <source>&amp;Stop here</source>
        <translation>Hier &amp;aufhören</translation>
    </message>
    <message>
        <source>&amp;Stop after 1 copy</source>
        <translation>Nach 1 Kopie &amp;aufhören</translation>
    </message>
    <message>
        <source>&amp;Stop after %1 copies</source>
        <translation>Nach %1 Kopien &amp;aufhören</translation>
    </message>
    <message>
        <source>%1.
Replace them with the chosen files in the new session? The disc&apos;s earlier files stay readable in its earlier sessions only.</source>
        <translation>%1.
Sollen die gewählten Dateien sie in der neuen Sitzung ersetzen? Die früheren Dateien der Disc bleiben nur in ihren früheren Sitzungen lesbar.</translation>
    </message>
    <message>
        <source>Audio CD Tracks Selection</source>
        <translation>Auswahl der Titel der Audio-CD</translation>
    </message>
    <message>
        <source>Please add the music files and name the album and its tracks</source>
        <translation>Fügen Sie die Musikdateien hinzu und benennen Sie das Album und seine Titel</translation>
    </message>
    <message>
        <source>Review the options of the CD you have chosen before burning</source>
        <translation>Prüfen Sie die gewählten Optionen der CD, bevor Sie brennen</translation>
    </message>
    <message>
        <source>An audio CD will be created with the following options chosen:</source>
        <translation>Die Audio-CD wird mit den folgenden Optionen erstellt:</translation>
    </message>
    <message>
        <source>A CD of the cue sheet&apos;s tracks will be created with the following options chosen:</source>
        <translation>Die CD mit den Titeln des Cue-Sheets wird mit den folgenden Optionen erstellt:</translation>
    </message>
</context>
<context>
    <name>TSelectTransportForm</name>
    <message>
        <source>This transport is preferrable for Windows NT-based systems (NT4/2000/XP/2003/Vista/Windows7). It can&apos;t be used for Windows 9x systems (95/98/Me).</source>
        <translation>Diese Zugriffsart ist für Windows-NT-basierte Systeme (NT4/2000/XP/2003/Vista/Windows 7) zu empfehlen. Unter Windows 9x (95/98/Me) steht sie nicht zur Verfügung.</translation>
    </message>
    <message>
        <source>This transport is primarily intended for Windows 9x systems, but can be used in Windows NT-based systems.</source>
        <translation>Diese Zugriffsart ist vor allem für Windows 9x gedacht, lässt sich aber auch unter Windows-NT-basierten Systemen verwenden.</translation>
    </message>
    <message>
        <source>Devices are opened by their device name, for example /dev/sr0. This is the usual way to reach CD and DVD recorders on Linux.</source>
        <translation>Die Laufwerke werden über Gerätenamen wie /dev/sr0 geöffnet. So werden CD- und DVD-Brenner unter Linux üblicherweise angesprochen.</translation>
    </message>
    <message>
        <source>Devices are opened by their SCSI address (host, channel, target, LUN). Use it when a recorder is known to you by its address rather than by its name.</source>
        <translation>Die Laufwerke werden über ihre SCSI-Adresse (Host, Kanal, Target, LUN) geöffnet. Wählen Sie diese Art, wenn Sie einen Brenner eher unter seiner Adresse als unter seinem Namen kennen.</translation>
    </message>
    <message>
        <source>Select SCSI transport you want to use for device access:</source>
        <translation>Wählen Sie, wie auf die Laufwerke zugegriffen werden soll:</translation>
    </message>
    <message>
        <source>SPTI - SCSI Pass Through Interface</source>
        <translation>SPTI – SCSI Pass Through Interface</translation>
    </message>
    <message>
        <source>ASPI - Advanced SCSI Programming Interface</source>
        <translation>ASPI – Advanced SCSI Programming Interface</translation>
    </message>
</context>
<context>
    <name>TWindowFrame</name>
    <message>
        <source>Minimize</source>
        <translation>Minimieren</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Version: %1</source>
        <translation>Version: %1</translation>
    </message>
    <message>
        <source>More free tools...</source>
        <translation>Weitere Programme...</translation>
    </message>
    <message>
        <source>More free tools</source>
        <translation>Weitere kostenlose Programme</translation>
    </message>
</context>
<context>
    <name>TfrmAbout</name>
    <message>
        <source>About Korvanel</source>
        <translation>Über Korvanel</translation>
    </message>
    <message>
        <source>Web site:</source>
        <translation>Website:</translation>
    </message>
    <message>
        <source>Web site</source>
        <translation>Website</translation>
    </message>
    <message>
        <source>Support:</source>
        <translation>Support:</translation>
    </message>
    <message>
        <source>Support</source>
        <translation>Support</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Product information</source>
        <translation>Produktinformationen</translation>
    </message>
    <message>
        <source>Version:</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>Check for update</source>
        <translation>Nach Aktualisierungen suchen</translation>
    </message>
    <message>
        <source>To ensure you&apos;re using the latest version, click on the 
Updates button below.</source>
        <translation>Um sicherzugehen, dass Sie die neueste Version verwenden,
klicken Sie unten auf „Aktualisierungen“.</translation>
    </message>
    <message>
        <source>&amp;Updates...</source>
        <translation>&amp;Aktualisierungen...</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Aktualisierung</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
</context>
<context>
    <name>TfrmBurnMode</name>
    <message>
        <source>Burning Mode is the way of burning data to the disc.</source>
        <translation>Der Brennmodus legt fest, wie die Disc beschrieben wird.</translation>
    </message>
    <message>
        <source>Note: CD-Text infromation will be  burned only if Disc-At-Once raw P-W method is used.</source>
        <translation>Hinweis: CD-Text wird nur im Modus Disc-At-Once raw P-W gebrannt.</translation>
    </message>
    <message>
        <source>Burning Mode:</source>
        <translation>Brennmodus:</translation>
    </message>
    <message>
        <source>Test mode (simulate burning)</source>
        <translation>Testmodus (Brennen nur simulieren)</translation>
    </message>
</context>
<context>
    <name>TfrmBurnOptions</name>
    <message>
        <source>Sending Optimum Power Calibration (OPC) calibrates the device laser power at the beginning of burning session to adjust for the properties of each recordable disc.</source>
        <translation>Bei der Optimum Power Calibration (OPC) passt der Brenner vor dem Schreiben die Laserleistung an den eingelegten Rohling an.</translation>
    </message>
    <message>
        <source>Send optimum power calibration</source>
        <translation>Optimum Power Calibration (OPC) durchführen</translation>
    </message>
    <message>
        <source>Optimal burning speed depends on the disc used and burning device capabilities. Poorly chosen burning speed may result in coaster disc. To determine the best burning speed you can make test burns or consult your device and disc manufacturers.</source>
        <translation>Die optimale Brenngeschwindigkeit hängt vom Rohling und vom Brenner ab. Eine ungünstig gewählte Geschwindigkeit kann den Rohling unbrauchbar machen. Die beste Geschwindigkeit ermitteln Sie mit Testbrennvorgängen oder anhand der Herstellerangaben zu Brenner und Rohling.</translation>
    </message>
    <message>
        <source>Burning speed:</source>
        <translation>Brenngeschwindigkeit:</translation>
    </message>
    <message>
        <source>Fastest</source>
        <translation>Höchstmöglich</translation>
    </message>
    <message>
        <source>Multisession mode allows appending data to the disc later. In single session mode data cannot be appended after the disc is burned.</source>
        <translation>Im Multisession-Modus lassen sich später weitere Daten auf die Disc schreiben. Im Single-Session-Modus können nach dem Brennen keine Daten mehr hinzugefügt werden.</translation>
    </message>
    <message>
        <source>Create multisession disc</source>
        <translation>Multisession-Disc erstellen</translation>
    </message>
    <message>
        <source>&amp;Verify written data after burning</source>
        <translation>Geschriebene Daten nach dem Brennen &amp;überprüfen</translation>
    </message>
    <message>
        <source>&amp;Eject the disc when done</source>
        <translation>Disc nach Abschluss &amp;auswerfen</translation>
    </message>
    <message>
        <source>List index out of bounds (%1)</source>
        <translation>Listenindex außerhalb des gültigen Bereichs (%1)</translation>
    </message>
    <message>
        <source>Number of &amp;copies:</source>
        <translation>Anzahl der &amp;Kopien:</translation>
    </message>
    <message>
        <source>Number of copies</source>
        <translation>Anzahl der Kopien</translation>
    </message>
</context>
<context>
    <name>TfrmFinalAction</name>
    <message>
        <source>Write progress</source>
        <translation>Schreibfortschritt</translation>
    </message>
    <message>
        <source>Buffer status:</source>
        <translation>Pufferfüllstand:</translation>
    </message>
    <message>
        <source>Burning log:</source>
        <translation>Brennprotokoll:</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Click Save Log to save Burning Log text to a file.</source>
        <translation>Das Brennprotokoll lässt sich als Textdatei speichern.</translation>
    </message>
    <message>
        <source>Save &amp;Log ...</source>
        <translation>&amp;Protokoll speichern ...</translation>
    </message>
    <message>
        <source>Save Log</source>
        <translation>Protokoll speichern</translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation>Textdateien (*.txt)</translation>
    </message>
    <message>
        <source>Cannot save the log to &quot;%1&quot;: it is the image file &quot;%2&quot;; choose another name</source>
        <translation>Das Protokoll kann nicht in „%1“ gespeichert werden: Das ist die Abbilddatei „%2“; wählen Sie einen anderen Namen</translation>
    </message>
    <message>
        <source>Cannot replace &quot;%1&quot;: %2</source>
        <translation>„%1“ kann nicht ersetzt werden: %2</translation>
    </message>
    <message>
        <source>Cannot write the log to &quot;%1&quot;: %2</source>
        <translation>Das Protokoll kann nicht in „%1“ geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Cannot save the log to &quot;%1&quot;: %2; choose another name</source>
        <translation>Das Protokoll kann nicht unter „%1“ gespeichert werden: %2; wählen Sie einen anderen Namen</translation>
    </message>
    <message>
        <source>%1 of %2 copies made</source>
        <translation>%1 von %2 Kopien erstellt</translation>
    </message>
    <message>
        <source>Checking track %1 of %2</source>
        <translation>Titel %1 von %2 wird geprüft</translation>
    </message>
    <message>
        <source>Writing track %1 of %2</source>
        <translation>Titel %1 von %2 wird geschrieben</translation>
    </message>
</context>
<context>
    <name>TfrmFinish</name>
    <message>
        <source>Completing the Korvanel</source>
        <translation>Abschluss des Korvanel-Assistenten</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;Info</translation>
    </message>
    <message>
        <source>&amp;Back</source>
        <translation>&amp;Zurück</translation>
    </message>
    <message>
        <source>&amp;Finish</source>
        <translation>&amp;Fertig</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>TfrmOperationProgress</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Cancelling...</source>
        <translation>Wird abgebrochen...</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
</context>
<context>
    <name>TfrmSelectDevice</name>
    <message>
        <source>Select CD or DVD burning device from the list</source>
        <translation>Wählen Sie den CD- oder DVD-Brenner aus der Liste</translation>
    </message>
    <message>
        <source>Product</source>
        <translation>Produkt</translation>
    </message>
    <message>
        <source>Vendor</source>
        <translation>Hersteller</translation>
    </message>
    <message>
        <source>Revision</source>
        <translation>Revision</translation>
    </message>
    <message>
        <source>Media </source>
        <translation>Disc </translation>
    </message>
    <message>
        <source>Size, MB</source>
        <translation>Größe, MB</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>Bezeichnung</translation>
    </message>
    <message>
        <source>If you have plugged in new devices or changed disc in a drive click Refresh to update devices list</source>
        <translation>Wenn Sie ein Laufwerk angeschlossen oder eine Disc gewechselt haben, klicken Sie auf „Aktualisieren“, um die Laufwerksliste neu einzulesen</translation>
    </message>
    <message>
        <source>Refresh...</source>
        <translation>Aktualisieren...</translation>
    </message>
    <message>
        <source>Erase disc...</source>
        <translation>Disc löschen...</translation>
    </message>
    <message>
        <source>Not usable</source>
        <translation>Nicht nutzbar</translation>
    </message>
    <message>
        <source>Unreadable disc</source>
        <translation>Unlesbare Disc</translation>
    </message>
    <message>
        <source>Erase the disc in %1 (%2)? Everything on the disc will be lost.</source>
        <translation>Die Disc in %1 (%2) löschen? Alle Daten auf der Disc gehen verloren.</translation>
    </message>
    <message>
        <source>Erasing disc</source>
        <translation>Disc wird gelöscht</translation>
    </message>
    <message>
        <source>%1. This may take a while.</source>
        <translation>%1. Das kann eine Weile dauern.</translation>
    </message>
    <message>
        <source>Press &quot;Erase disc...&quot; to erase it.</source>
        <translation>Klicken Sie auf „Disc löschen...“, um sie zu löschen.</translation>
    </message>
    <message>
        <source>Quick erase blanks the table of contents in about a minute.
Full erase overwrites the whole disc and takes much longer.</source>
        <translation>Schnelles Löschen leert das Inhaltsverzeichnis in etwa einer Minute.
Vollständiges Löschen überschreibt die ganze Disc und dauert viel länger.</translation>
    </message>
    <message>
        <source>Quick erase</source>
        <translation>Schnell löschen</translation>
    </message>
    <message>
        <source>Full erase</source>
        <translation>Vollständig löschen</translation>
    </message>
    <message>
        <source>The disc holds %1 and has %2 free: the files you choose are added to them as a further session.</source>
        <translation>Die Disc enthält %1 und hat %2 frei: die gewählten Dateien kommen als weitere Sitzung hinzu.</translation>
    </message>
    <message>
        <source>1 file</source>
        <translation>1 Datei</translation>
    </message>
    <message>
        <source>%1 files</source>
        <translation>%1 Dateien</translation>
    </message>
</context>
<context>
    <name>TfrmSourceFileSelection</name>
    <message>
        <source>Select file system image to burn</source>
        <translation>Wählen Sie das zu brennende Dateisystemabbild</translation>
    </message>
    <message>
        <source>Image file path:</source>
        <translation>Pfad der Abbilddatei:</translation>
    </message>
    <message>
        <source>Browse for the image file</source>
        <translation>Abbilddatei suchen</translation>
    </message>
    <message>
        <source>Image file</source>
        <translation>Abbilddatei</translation>
    </message>
    <message>
        <source>Files and folders</source>
        <translation>Dateien und Ordner</translation>
    </message>
    <message>
        <source>Check the image against %1</source>
        <translation>Abbild anhand von %1 prüfen</translation>
    </message>
    <message>
        <source>ISO image (*.iso *.ISO)</source>
        <translation>ISO-Abbild (*.iso *.ISO)</translation>
    </message>
    <message>
        <source>&amp;Read from a disc...</source>
        <translation>Von Disc &amp;lesen...</translation>
    </message>
    <message>
        <source>Save a disc in one of the drives as an image, and burn that image</source>
        <translation>Eine Disc in einem der Laufwerke als Abbild speichern und dieses Abbild brennen</translation>
    </message>
    <message>
        <source>... and %1 more: point here for the whole list</source>
        <translation>... und %1 weitere: die ganze Liste zeigt sich, wenn Sie hierauf zeigen</translation>
    </message>
    <message>
        <source>Select the files and folders to burn</source>
        <translation>Wählen Sie die zu brennenden Dateien und Ordner</translation>
    </message>
    <message>
        <source>This disc holds files and takes more: an image would hide them. Choose Files and folders to add files to the disc.</source>
        <translation>Diese Disc enthält Dateien und nimmt weitere auf: ein Abbild würde sie verdecken. Wählen Sie „Dateien und Ordner“, um der Disc Dateien hinzuzufügen.</translation>
    </message>
    <message>
        <source>Audio CD</source>
        <translation>Audio-CD</translation>
    </message>
    <message>
        <source>1 track, %1</source>
        <translation>1 Titel, %1</translation>
    </message>
    <message>
        <source>%1 tracks, %2</source>
        <translation>%1 Titel, %2</translation>
    </message>
    <message>
        <source>1 track, %1 of %2</source>
        <translation>1 Titel, %1 von %2</translation>
    </message>
    <message>
        <source>%1 tracks, %2 of %3</source>
        <translation>%1 Titel, %2 von %3</translation>
    </message>
    <message>
        <source>Select the music files for the audio CD, in the order of the disc</source>
        <translation>Wählen Sie die Musikdateien für die Audio-CD in der Reihenfolge der Disc</translation>
    </message>
    <message>
        <source>Tracks of the cue sheet %1:</source>
        <translation>Titel des Cue-Sheets %1:</translation>
    </message>
    <message>
        <source>Cue sheets (*.cue *.CUE)</source>
        <translation>Cue-Sheets (*.cue *.CUE)</translation>
    </message>
    <message>
        <source>An audio CD needs a CD-R or CD-RW: this disc is a %1.</source>
        <translation>Eine Audio-CD braucht eine CD-R oder CD-RW: Diese Disc ist eine %1.</translation>
    </message>
    <message>
        <source>This disc holds files and takes more: an audio CD needs a blank disc.</source>
        <translation>Diese Disc enthält Dateien und nimmt weitere auf: Eine Audio-CD braucht eine leere Disc.</translation>
    </message>
    <message>
        <source>The tracks do not fit on the disc</source>
        <translation>Die Titel passen nicht auf die Disc</translation>
    </message>
</context>
<context>
    <name>TfrmWelcome</name>
    <message>
        <source>Welcome to Korvanel</source>
        <translation>Willkommen bei Korvanel</translation>
    </message>
    <message>
        <source>The wizard will guide you through file system image burning process using Korvanel.</source>
        <translation>Der Assistent führt Sie Schritt für Schritt durch das Brennen eines Dateisystemabbilds mit Korvanel.</translation>
    </message>
    <message>
        <source>Click Next to continue or Cancel to exit</source>
        <translation>Klicken Sie auf „Weiter“, um fortzufahren, oder auf „Abbrechen“, um den Assistenten zu beenden</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;Info</translation>
    </message>
    <message>
        <source>&amp;Back</source>
        <translation>&amp;Zurück</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>&amp;Weiter</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>TsbAnimation</name>
    <message>
        <source>There is no animation named &quot;%1&quot;</source>
        <translation>Es gibt keine Animation namens „%1“</translation>
    </message>
    <message>
        <source>The animation &quot;%1&quot; cannot be read from %2: not a readable image</source>
        <translation>Die Animation „%1“ kann nicht aus %2 gelesen werden: kein lesbares Bild</translation>
    </message>
    <message>
        <source>The animation &quot;%1&quot; in %2 is %3 pixels high, which is not %4 frames of equal height</source>
        <translation>Die Animation „%1“ in %2 ist %3 Pixel hoch und lässt sich nicht in %4 gleich hohe Einzelbilder teilen</translation>
    </message>
</context>
<context>
    <name>TsbFilesPanel</name>
    <message>
        <source>Files and folders to burn</source>
        <translation>Zu brennende Dateien und Ordner</translation>
    </message>
    <message>
        <source>Add File...</source>
        <translation>Datei hinzufügen...</translation>
    </message>
    <message>
        <source>Add Folder...</source>
        <translation>Ordner hinzufügen...</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Disc label:</source>
        <translation>Disc-Bezeichnung:</translation>
    </message>
    <message>
        <source>Add a folder to burn</source>
        <translation>Zu brennenden Ordner hinzufügen</translation>
    </message>
    <message>
        <source>Add a file to burn</source>
        <translation>Zu brennende Datei hinzufügen</translation>
    </message>
    <message>
        <source>Folder: %1</source>
        <translation>Ordner: %1</translation>
    </message>
    <message>
        <source>File: %1</source>
        <translation>Datei: %1</translation>
    </message>
    <message>
        <source>On the disc</source>
        <translation>Auf der Disc</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>From</source>
        <translation>Herkunft</translation>
    </message>
    <message>
        <source>On the disc now:</source>
        <translation>Jetzt auf der Disc:</translation>
    </message>
    <message>
        <source>Files on the disc</source>
        <translation>Dateien auf der Disc</translation>
    </message>
    <message>
        <source>Leave out</source>
        <translation>Weglassen</translation>
    </message>
    <message>
        <source>Leave the selected files of the disc out of the new session&apos;s directory, or take them back in; their bytes stay on the disc</source>
        <translation>Die gewählten Dateien der Disc aus dem Verzeichnis der neuen Sitzung weglassen oder wieder aufnehmen; ihre Daten bleiben auf der Disc</translation>
    </message>
    <message>
        <source>On the disc now: %1 files, kept in the new session</source>
        <translation>Jetzt auf der Disc: %1 Dateien, in der neuen Sitzung beibehalten</translation>
    </message>
    <message>
        <source>... and %1 more</source>
        <translation>... und %1 weitere</translation>
    </message>
    <message>
        <source>Left out of the new session</source>
        <translation>In der neuen Sitzung weggelassen</translation>
    </message>
    <message>
        <source>replaces the file on the disc</source>
        <translation>ersetzt die Datei auf der Disc</translation>
    </message>
</context>
<context>
    <name>TsbTracksPanel</name>
    <message>
        <source> s</source>
        <translation> s</translation>
    </message>
    <message>
        <source>Pause before the track</source>
        <translation>Pause vor dem Titel</translation>
    </message>
    <message>
        <source>Album title:</source>
        <translation>Albumtitel:</translation>
    </message>
    <message>
        <source>Performer:</source>
        <translation>Interpret:</translation>
    </message>
    <message>
        <source>#</source>
        <translation>Nr.</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Performer</source>
        <translation>Interpret</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Länge</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Tracks of the audio CD</source>
        <translation>Titel der Audio-CD</translation>
    </message>
    <message>
        <source>Add Files...</source>
        <translation>Dateien hinzufügen...</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Nach oben</translation>
    </message>
    <message>
        <source>Move the selected tracks up</source>
        <translation>Die gewählten Titel nach oben schieben</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Nach unten</translation>
    </message>
    <message>
        <source>Move the selected tracks down</source>
        <translation>Die gewählten Titel nach unten schieben</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Gapless</source>
        <translation>Ohne Pausen</translation>
    </message>
    <message>
        <source>No pause between the tracks: each plays on into the next (track 1 keeps its 2 seconds)</source>
        <translation>Keine Pause zwischen den Titeln: Jeder geht nahtlos in den nächsten über (Titel 1 behält seine 2 Sekunden)</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>The first track always begins after 2 seconds</source>
        <translation>Der erste Titel beginnt immer nach 2 Sekunden</translation>
    </message>
    <message>
        <source>The pause before the track: double-click to change it</source>
        <translation>Die Pause vor dem Titel: zum Ändern doppelklicken</translation>
    </message>
    <message>
        <source>Add music files</source>
        <translation>Musikdateien hinzufügen</translation>
    </message>
    <message>
        <source>Music files (%1)</source>
        <translation>Musikdateien (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>sbActions</name>
    <message>
        <source>Invalid action</source>
        <translation>Ungültige Aktion</translation>
    </message>
    <message>
        <source>The action has no burner to work on</source>
        <translation>Der Aktion ist kein Brenner zugeordnet</translation>
    </message>
    <message>
        <source>The disc stays in the drive</source>
        <translation>Die Disc bleibt im Laufwerk</translation>
    </message>
    <message>
        <source>Eject disc</source>
        <translation>Disc auswerfen</translation>
    </message>
    <message>
        <source>Closing session</source>
        <translation>Sitzung wird abgeschlossen</translation>
    </message>
</context>
<context>
    <name>sbBurnAtOnceAction</name>
    <message>
        <source>Burning completed</source>
        <translation>Brennvorgang abgeschlossen</translation>
    </message>
    <message>
        <source>Writing track %1 of %2</source>
        <translation>Titel %1 von %2 wird geschrieben</translation>
    </message>
    <message>
        <source>Track-at-once: pauses of 2 seconds and no CD-TEXT</source>
        <translation>Track-At-Once: Pausen von 2 Sekunden und kein CD-TEXT</translation>
    </message>
</context>
<context>
    <name>sbBurnFigures</name>
    <message>
        <source>, %1 remaining</source>
        <translation>, noch %1</translation>
    </message>
    <message>
        <source>average %1 in %2</source>
        <translation>Durchschnitt: %1 in %2</translation>
    </message>
    <message>
        <source>Wrote %1 MB in %2, average %3</source>
        <translation>%1 MB in %2 geschrieben, durchschnittlich %3</translation>
    </message>
    <message>
        <source>; lowest buffer fill %1 %</source>
        <translation>; niedrigster Pufferfüllstand %1 %</translation>
    </message>
    <message>
        <source>; the buffer never ran empty</source>
        <translation>; der Puffer lief nie leer</translation>
    </message>
    <message>
        <source>; the buffer ran empty %1 time(s)</source>
        <translation>; der Puffer lief %1-mal leer</translation>
    </message>
</context>
<context>
    <name>sbBurnModes</name>
    <message>
        <source>This device%1 offers no burning mode for the inserted disc%2</source>
        <translation>Dieses Laufwerk%1 bietet für die eingelegte Disc%2 keinen Brennmodus an</translation>
    </message>
</context>
<context>
    <name>sbBurnPlan</name>
    <message>
        <source>Add the files and folders to burn</source>
        <translation>Fügen Sie die zu brennenden Dateien und Ordner hinzu</translation>
    </message>
    <message>
        <source>This device cannot simulate a burn (test write)</source>
        <translation>Dieses Laufwerk kann das Brennen nicht simulieren (Testbrand)</translation>
    </message>
    <message>
        <source>Burning files and folders</source>
        <translation>Dateien und Ordner werden gebrannt</translation>
    </message>
    <message>
        <source>Source: %1</source>
        <translation>Quelle: %1</translation>
    </message>
    <message>
        <source>Already on the disc, and would be replaced: %1</source>
        <translation>Schon auf der Disc und würde ersetzt: %1</translation>
    </message>
    <message>
        <source>%1 and %2 more</source>
        <translation>%1 und %2 weitere</translation>
    </message>
    <message>
        <source>The disc already holds files: add to them or use a blank disc</source>
        <translation>Die Disc enthält schon Dateien: fügen Sie Dateien hinzu oder nehmen Sie eine leere Disc</translation>
    </message>
    <message>
        <source>An image would hide the files on the disc: choose files and folders to add them to the disc</source>
        <translation>Ein Abbild würde die Dateien auf der Disc verdecken: wählen Sie Dateien und Ordner, um sie der Disc hinzuzufügen</translation>
    </message>
    <message>
        <source>The disc in %1 takes no further session</source>
        <translation>Die Disc in %1 nimmt keine weitere Sitzung auf</translation>
    </message>
    <message>
        <source>1 file</source>
        <translation>1 Datei</translation>
    </message>
    <message>
        <source>%1 files</source>
        <translation>%1 Dateien</translation>
    </message>
    <message>
        <source>1 session</source>
        <translation>1 Sitzung</translation>
    </message>
    <message>
        <source>%1 sessions</source>
        <translation>%1 Sitzungen</translation>
    </message>
    <message>
        <source>The disc in %1 already holds %2 in %3</source>
        <translation>Die Disc in %1 enthält schon %2 in %3</translation>
    </message>
    <message>
        <source>An audio CD needs a CD-R or CD-RW: the disc in %1 is a %2</source>
        <translation>Eine Audio-CD braucht eine CD-R oder CD-RW: Die Disc in %1 ist eine %2</translation>
    </message>
    <message>
        <source>The tracks of a cue sheet need a CD-R or CD-RW: the disc in %1 is a %2</source>
        <translation>Die Titel eines Cue-Sheets brauchen eine CD-R oder CD-RW: Die Disc in %1 ist eine %2</translation>
    </message>
    <message>
        <source>The tracks last %1, longer than the %2 the disc holds</source>
        <translation>Die Titel dauern %1, länger als die %2, die die Disc fasst</translation>
    </message>
    <message>
        <source>Add the music files to burn</source>
        <translation>Fügen Sie die zu brennenden Musikdateien hinzu</translation>
    </message>
    <message>
        <source>Tracks are burned session-at-once or track-at-once</source>
        <translation>Titel werden Session-At-Once oder Track-At-Once gebrannt</translation>
    </message>
    <message>
        <source>Burning an audio CD</source>
        <translation>Audio-CD wird gebrannt</translation>
    </message>
    <message>
        <source>Burning the tracks of a cue sheet</source>
        <translation>Die Titel eines Cue-Sheets werden gebrannt</translation>
    </message>
    <message>
        <source>Source cue sheet: %1</source>
        <translation>Quell-Cue-Sheet: %1</translation>
    </message>
    <message>
        <source>Source: %1, %2</source>
        <translation>Quelle: %1, %2</translation>
    </message>
    <message>
        <source>1 track</source>
        <translation>1 Titel</translation>
    </message>
    <message>
        <source>%1 tracks</source>
        <translation>%1 Titel</translation>
    </message>
</context>
<context>
    <name>sbBurnThread</name>
    <message>
        <source>Track-At-Once (from tree)</source>
        <translation>Track-At-Once (aus Dateibaum)</translation>
    </message>
    <message>
        <source>Session-At-Once (from tree)</source>
        <translation>Session-At-Once (aus Dateibaum)</translation>
    </message>
    <message>
        <source>Disc-At-Once PQ (from tree)</source>
        <translation>Disc-At-Once PQ (aus Dateibaum)</translation>
    </message>
    <message>
        <source>Disc-At-Once raw P-W (from tree)</source>
        <translation>Disc-At-Once raw P-W (aus Dateibaum)</translation>
    </message>
    <message>
        <source>Disc-At-Once PQ (from file)</source>
        <translation>Disc-At-Once PQ (aus Datei)</translation>
    </message>
    <message>
        <source>Disc-At-Once raw P-W (from file)</source>
        <translation>Disc-At-Once raw P-W (aus Datei)</translation>
    </message>
    <message>
        <source>Track-At-Once (from file)</source>
        <translation>Track-At-Once (aus Datei)</translation>
    </message>
    <message>
        <source>Session-At-Once (from file)</source>
        <translation>Session-At-Once (aus Datei)</translation>
    </message>
    <message>
        <source>Session-At-Once (tracks)</source>
        <translation>Session-At-Once (Titel)</translation>
    </message>
    <message>
        <source>Track-At-Once (tracks)</source>
        <translation>Track-At-Once (Titel)</translation>
    </message>
</context>
<context>
    <name>sbBurnToFileAction</name>
    <message>
        <source>Creating image &apos;%1&apos; </source>
        <translation>Abbild „%1“ wird erstellt</translation>
    </message>
    <message>
        <source>Need to save %1 MB</source>
        <translation>Zu speichern: %1 MB</translation>
    </message>
    <message>
        <source>%1 bytes of ISO9660/Joliet image will not fit into %2 bytes of free space in &quot;%3&quot;</source>
        <translation>Das ISO9660/Joliet-Abbild (%1 Bytes) passt nicht in den freien Speicher von %2 Bytes in „%3“</translation>
    </message>
    <message>
        <source>Storing %1 bytes of ISO9660/Joliet image to file &quot;%2&quot;</source>
        <translation>%1 Bytes des ISO9660/Joliet-Abbilds werden in der Datei „%2“ gespeichert</translation>
    </message>
    <message>
        <source>Cancelled!</source>
        <translation>Abgebrochen!</translation>
    </message>
    <message>
        <source>The image &quot;%1&quot; was not completed</source>
        <translation>Das Abbild „%1“ wurde nicht fertiggestellt</translation>
    </message>
    <message>
        <source>The image &quot;%1&quot; was written, but its folder could not be synced to the disk, %2</source>
        <translation>Das Abbild „%1“ wurde geschrieben, sein Ordner konnte aber nicht auf die Festplatte synchronisiert werden, %2</translation>
    </message>
    <message>
        <source>Finished!</source>
        <translation>Fertig!</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>Es ist ein Ordner</translation>
    </message>
    <message>
        <source>it is a character device, not a regular file</source>
        <translation>Es ist ein Zeichengerät, keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>it is a block device, not a regular file</source>
        <translation>Es ist ein Blockgerät, keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>it is a named pipe (FIFO), not a regular file</source>
        <translation>Es ist eine benannte Pipe (FIFO), keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>it is a socket, not a regular file</source>
        <translation>Es ist ein Socket, keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>Es ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>Cannot save to &quot;%1&quot;: %2</source>
        <translation>Speichern unter „%1“ nicht möglich: %2</translation>
    </message>
    <message>
        <source>Cannot create the image &quot;%1&quot;: %2</source>
        <translation>Das Abbild „%1“ kann nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>Cannot find out the free space in &quot;%1&quot;: %2</source>
        <translation>Der freie Platz in „%1“ kann nicht ermittelt werden: %2</translation>
    </message>
    <message>
        <source>Cannot write the image &quot;%1&quot; to the disk: %2</source>
        <translation>Das Abbild „%1“ kann nicht auf den Datenträger geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Cannot save the image as &quot;%1&quot;: %2</source>
        <translation>Das Abbild kann nicht als „%1“ gespeichert werden: %2</translation>
    </message>
</context>
<context>
    <name>sbBurner</name>
    <message>
        <source>The image file name is too long for the %1 (at most %2 bytes): %3</source>
        <translation>Der Name der Abbilddatei ist zu lang für %1 (höchstens %2 Bytes): %3</translation>
    </message>
    <message>
        <source>track table</source>
        <translation>die Spurtabelle</translation>
    </message>
    <message>
        <source>A session holds at most %1 image files, not %2</source>
        <translation>Eine Sitzung fasst höchstens %1 Abbilddateien, nicht %2</translation>
    </message>
    <message>
        <source>session layout</source>
        <translation>den Sitzungsaufbau</translation>
    </message>
</context>
<context>
    <name>sbBurnerRecords</name>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>DVD-RW RO (Restricted Overwrite)</source>
        <translation>DVD-RW RO (Restricted Overwrite)</translation>
    </message>
    <message>
        <source>DVD-RW SR (Sequential Recording)</source>
        <translation>DVD-RW SR (Sequential Recording)</translation>
    </message>
    <message>
        <source>DD (Double Density) CD-ROM</source>
        <translation>DD (Double Density) CD-ROM</translation>
    </message>
    <message>
        <source>DD (Double Density) CD-R</source>
        <translation>DD (Double Density) CD-R</translation>
    </message>
    <message>
        <source>DD (Double Density) CD-RW</source>
        <translation>DD (Double Density) CD-RW</translation>
    </message>
    <message>
        <source>Empty</source>
        <translation>Keine Disc</translation>
    </message>
</context>
<context>
    <name>sbChecksumFile</name>
    <message>
        <source>Cannot read the checksum file &quot;%1&quot;: %2</source>
        <translation>Die Prüfsummendatei „%1“ kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>The checksum file &quot;%1&quot; has no line for &quot;%2&quot;; nothing was burned</source>
        <translation>Die Prüfsummendatei „%1“ enthält keine Zeile für „%2“; es wurde nichts gebrannt</translation>
    </message>
    <message>
        <source>The checksum file &quot;%1&quot; has conflicting lines for &quot;%2&quot; (lines %3 and %4); nothing was burned</source>
        <translation>Die Prüfsummendatei „%1“ enthält widersprüchliche Zeilen für „%2“ (Zeilen %3 und %4); es wurde nichts gebrannt</translation>
    </message>
    <message>
        <source>line %1</source>
        <translation>Zeile %1</translation>
    </message>
    <message>
        <source>The checksum file &quot;%1&quot; names the algorithm %2 for &quot;%3&quot; (%4): only SHA256 and MD5 are supported; nothing was burned</source>
        <translation>Die Prüfsummendatei „%1“ nennt für „%3“ (%4) das Verfahren %2: Unterstützt werden nur SHA256 und MD5; es wurde nichts gebrannt</translation>
    </message>
    <message>
        <source>The checksum file &quot;%1&quot; holds &quot;%2&quot; for &quot;%3&quot; (%4): not a SHA-256 (64 hex digits) or MD5 (32 hex digits) checksum; nothing was burned</source>
        <translation>Die Prüfsummendatei „%1“ enthält für „%3“ (%4) den Wert „%2“: keine SHA-256-Prüfsumme (64 Hexadezimalziffern) und keine MD5-Prüfsumme (32 Hexadezimalziffern); es wurde nichts gebrannt</translation>
    </message>
    <message>
        <source>The image &quot;%1&quot; does not match the checksum file &quot;%2&quot;: its %3 is %4, the file expects %5 (%6); nothing was burned</source>
        <translation>Das Abbild „%1“ passt nicht zur Prüfsummendatei „%2“: Seine %3-Prüfsumme ist %4, die Datei erwartet %5 (%6); es wurde nichts gebrannt</translation>
    </message>
</context>
<context>
    <name>sbCopies</name>
    <message>
        <source>%1 of %2 copies made, %3 failed</source>
        <translation>%1 von %2 Kopien erstellt, %3 fehlgeschlagen</translation>
    </message>
    <message>
        <source>%1 of %2 copies made</source>
        <translation>%1 von %2 Kopien erstellt</translation>
    </message>
    <message>
        <source>Insert a blank disc for copy %1 of %2 into %3</source>
        <translation>Legen Sie für Kopie %1 von %2 eine leere Disc in %3 ein</translation>
    </message>
    <message>
        <source>Copy %1 of %2</source>
        <translation>Kopie %1 von %2</translation>
    </message>
    <message>
        <source>it is gone</source>
        <translation>sie ist nicht mehr vorhanden</translation>
    </message>
    <message>
        <source>its size changed from %1 to %2 bytes</source>
        <translation>ihre Größe änderte sich von %1 auf %2 Bytes</translation>
    </message>
    <message>
        <source>it was changed at %1</source>
        <translation>sie wurde um %1 geändert</translation>
    </message>
    <message>
        <source>The image &quot;%1&quot; changed while copy %2 was burned (%3): that disc may hold parts of both; no further copies are made</source>
        <translation>Das Abbild „%1“ wurde geändert, während Kopie %2 gebrannt wurde (%3): Diese Disc kann Teile beider Fassungen enthalten; es werden keine weiteren Kopien erstellt</translation>
    </message>
    <message>
        <source>The image &quot;%1&quot; changed after copy %2 (%3): copy %4 would differ from the discs made; no further copies are made</source>
        <translation>Das Abbild „%1“ wurde nach Kopie %2 geändert (%3): Kopie %4 würde sich von den erstellten Discs unterscheiden; es werden keine weiteren Kopien erstellt</translation>
    </message>
    <message>
        <source>Copy %1 holds other bytes than copy 1 (SHA-256 %2, copy 1: %3): the source changed; no further copies are made</source>
        <translation>Kopie %1 enthält andere Bytes als Kopie 1 (SHA-256 %2, Kopie 1: %3): Die Quelle wurde geändert; es werden keine weiteren Kopien erstellt</translation>
    </message>
    <message>
        <source>The disc in %1 is not blank</source>
        <translation>Die Disc in %1 ist nicht leer</translation>
    </message>
    <message>
        <source>The disc in %1 is not taken: %2</source>
        <translation>Die Disc in %1 wird nicht genommen: %2</translation>
    </message>
    <message>
        <source>%1 of %2 copies made: stopped as asked</source>
        <translation>%1 von %2 Kopien erstellt: wie gewünscht beendet</translation>
    </message>
</context>
<context>
    <name>sbDeviceList</name>
    <message>
        <source>The tray is open: put a disc in and close the tray</source>
        <translation>Die Lade ist offen: Legen Sie eine Disc ein und schließen Sie die Lade</translation>
    </message>
    <message>
        <source>Appendable, %1 free, %2 files</source>
        <translation>Erweiterbar, %1 frei, %2 Dateien</translation>
    </message>
</context>
<context>
    <name>sbDiscSpeeds</name>
    <message>
        <source>%1x (%2 KB/sec)</source>
        <translation>%1x (%2 KB/s)</translation>
    </message>
</context>
<context>
    <name>sbDiscToCueSheet</name>
    <message>
        <source>Reading cancelled; &quot;%1&quot; and &quot;%2&quot; were not written</source>
        <translation>Lesen abgebrochen; „%1“ und „%2“ wurden nicht geschrieben</translation>
    </message>
    <message>
        <source>Reading the disc in %1 into &quot;%2&quot; and &quot;%3&quot;</source>
        <translation>Die Disc in %1 wird in „%2“ und „%3“ gelesen</translation>
    </message>
    <message>
        <source>Reading track %1 of %2</source>
        <translation>Titel %1 von %2 wird gelesen</translation>
    </message>
    <message>
        <source>Cannot save the disc in %1 as &quot;%2&quot;: %3</source>
        <translation>Die Disc in %1 kann nicht als „%2“ gesichert werden: %3</translation>
    </message>
    <message>
        <source>The disc in %1 is saved as &quot;%2&quot; and &quot;%3&quot;</source>
        <translation>Die Disc in %1 ist als „%2“ und „%3“ gesichert</translation>
    </message>
</context>
<context>
    <name>sbDiscToImage</name>
    <message>
        <source>Block %1 of the disc in %2 cannot be read (tried %3 times): %4</source>
        <translation>Block %1 der Disc in %2 kann nicht gelesen werden (%3 Versuche): %4</translation>
    </message>
    <message>
        <source>Cannot read the disc in %1: %2</source>
        <translation>Die Disc in %1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>Reading cancelled; &quot;%1&quot; was not written</source>
        <translation>Lesen abgebrochen; „%1“ wurde nicht geschrieben</translation>
    </message>
    <message>
        <source>Cannot save to &quot;%1&quot;: %2</source>
        <translation>Speichern unter „%1“ nicht möglich: %2</translation>
    </message>
    <message>
        <source>The drive %1 did not become ready: %2</source>
        <translation>Das Laufwerk %1 wurde nicht betriebsbereit: %2</translation>
    </message>
    <message>
        <source>the track size</source>
        <translation>laut Spurgröße</translation>
    </message>
    <message>
        <source>the ISO 9660 volume size</source>
        <translation>laut ISO-9660-Volume-Größe</translation>
    </message>
    <message>
        <source>The disc in %1 holds an empty track: nothing to read</source>
        <translation>Die Disc in %1 enthält eine leere Spur: Es gibt nichts zu lesen</translation>
    </message>
    <message>
        <source>Reading %1 blocks (%2 MB, %3) from %4 into %5</source>
        <translation>%1 Blöcke (%2 MB, %3) werden aus %4 nach %5 gelesen</translation>
    </message>
    <message>
        <source>The disc in %1 is saved as &quot;%2&quot;</source>
        <translation>Die Disc in %1 ist als „%2“ gespeichert</translation>
    </message>
</context>
<context>
    <name>sbDriveAccess</name>
    <message>
        <source>Permission denied: add yourself to the group %1: sudo usermod -aG %1 %2, then log in again</source>
        <translation>Zugriff verweigert: Fügen Sie sich der Gruppe %1 hinzu (sudo usermod -aG %1 %2) und melden Sie sich danach neu an</translation>
    </message>
    <message>
        <source>Busy: the drive is in use by another program; close it, then click Refresh</source>
        <translation>Belegt: Das Laufwerk wird von einem anderen Programm verwendet; schließen Sie es und klicken Sie dann auf „Aktualisieren“</translation>
    </message>
    <message>
        <source>Busy: the drive is in use by %1; close it, then click Refresh</source>
        <translation>Belegt: Das Laufwerk wird von %1 verwendet; schließen Sie es und klicken Sie dann auf „Aktualisieren“</translation>
    </message>
    <message>
        <source>Busy: the disc is mounted at %1; unmount it, then click Refresh</source>
        <translation>Belegt: Die Disc ist unter %1 eingehängt; hängen Sie sie aus und klicken Sie dann auf „Aktualisieren“</translation>
    </message>
    <message>
        <source>Busy: %1</source>
        <translation>Belegt: %1</translation>
    </message>
    <message>
        <source>The drive was connected after Korvanel started: restart Korvanel to use it</source>
        <translation>Das Laufwerk wurde nach dem Start von Korvanel angeschlossen: Starten Sie Korvanel neu, um es zu verwenden</translation>
    </message>
    <message>
        <source>The drive cannot be opened (exception %1)</source>
        <translation>Das Laufwerk kann nicht geöffnet werden (Ausnahme %1)</translation>
    </message>
    <message>
        <source>Nothing answers at %1: no drive is connected behind this device file</source>
        <translation>Unter %1 antwortet nichts: Hinter dieser Gerätedatei ist kein Laufwerk angeschlossen</translation>
    </message>
</context>
<context>
    <name>sbErasePlan</name>
    <message>
        <source>The disc in %1 cannot be erased: only rewritable discs (CD-RW, DVD-RW, DVD+RW, BD-RE) can be erased</source>
        <translation>Die Disc in %1 kann nicht gelöscht werden: Nur wiederbeschreibbare Discs (CD-RW, DVD-RW, DVD+RW, BD-RE) lassen sich löschen</translation>
    </message>
    <message>
        <source>The disc in %1 is a %2: only rewritable discs (CD-RW, DVD-RW, DVD+RW, BD-RE) can be erased</source>
        <translation>Die Disc in %1 ist eine %2: Nur wiederbeschreibbare Discs (CD-RW, DVD-RW, DVD+RW, BD-RE) lassen sich löschen</translation>
    </message>
    <message>
        <source>Fully erasing the disc in %1 (%2)</source>
        <translation>Die Disc in %1 (%2) wird vollständig gelöscht</translation>
    </message>
    <message>
        <source>Erasing the disc in %1 (%2)</source>
        <translation>Die Disc in %1 (%2) wird gelöscht</translation>
    </message>
    <message>
        <source>The disc in %1 is erased</source>
        <translation>Die Disc in %1 wurde gelöscht</translation>
    </message>
</context>
<context>
    <name>sbFileSelection</name>
    <message>
        <source>The disc is labelled &quot;%1&quot;: a disc needs a label</source>
        <translation>Die Disc erhält die Bezeichnung „%1“: Eine Disc braucht eine Bezeichnung</translation>
    </message>
    <message>
        <source>a disc label holds only capitals, digits and &quot;_&quot;</source>
        <translation>Eine Disc-Bezeichnung besteht nur aus Großbuchstaben, Ziffern und „_“</translation>
    </message>
    <message>
        <source>a disc label holds capitals</source>
        <translation>Eine Disc-Bezeichnung besteht aus Großbuchstaben</translation>
    </message>
    <message>
        <source>at most %1 of them</source>
        <translation>höchstens %1 davon</translation>
    </message>
    <message>
        <source>The label became &quot;%1&quot;: %2</source>
        <translation>Die Bezeichnung lautet jetzt „%1“: %2</translation>
    </message>
    <message>
        <source>Add the files and folders to burn</source>
        <translation>Fügen Sie die zu brennenden Dateien und Ordner hinzu</translation>
    </message>
    <message>
        <source>%1 file</source>
        <translation>%1 Datei</translation>
    </message>
    <message>
        <source>%1 files</source>
        <translation>%1 Dateien</translation>
    </message>
    <message>
        <source>%1 folder</source>
        <translation>%1 Ordner</translation>
    </message>
    <message>
        <source>%1 folders</source>
        <translation>%1 Ordner</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is larger than 4 GiB: only systems that read ISO 9660 level 3 (most current ones) read it whole from the disc</source>
        <translation>„%1“ ist größer als 4 GiB: nur Systeme, die ISO 9660 Stufe 3 lesen (die meisten heutigen), lesen die Datei vollständig von der Disc</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is a named pipe (FIFO); it is left out of the disc</source>
        <translation>„%1“ ist eine benannte Pipe (FIFO) und wird nicht auf die Disc gebrannt</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is a socket; it is left out of the disc</source>
        <translation>„%1“ ist ein Socket und wird nicht auf die Disc gebrannt</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is a character device; it is left out of the disc</source>
        <translation>„%1“ ist ein zeichenorientiertes Gerät und wird nicht auf die Disc gebrannt</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is a block device; it is left out of the disc</source>
        <translation>„%1“ ist ein blockorientiertes Gerät und wird nicht auf die Disc gebrannt</translation>
    </message>
    <message>
        <source>Nothing is left to burn: %1; choose files or folders</source>
        <translation>Es bleibt nichts zu brennen: %1; wählen Sie Dateien oder Ordner</translation>
    </message>
</context>
<context>
    <name>sbHelpers</name>
    <message>
        <source>Cannot open &quot;%1&quot; for writing: %2</source>
        <translation>„%1“ kann nicht zum Schreiben geöffnet werden: %2</translation>
    </message>
    <message>
        <source>Cannot write to &quot;%1&quot;: %2</source>
        <translation>In „%1“ kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Cannot read %1: %2</source>
        <translation>%1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>the write failed</source>
        <translation>das Schreiben schlug fehl</translation>
    </message>
</context>
<context>
    <name>sbImageChecksumAction</name>
    <message>
        <source>Checking the image against %1, %2 (%3)</source>
        <translation>Das Abbild wird anhand von %1, %2 (%3) geprüft</translation>
    </message>
    <message>
        <source>Cannot read the image file &quot;%1&quot;: %2</source>
        <translation>Die Abbilddatei „%1“ kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>The image check was cancelled; nothing was burned</source>
        <translation>Die Prüfung des Abbilds wurde abgebrochen; es wurde nichts gebrannt</translation>
    </message>
    <message>
        <source>The image matches its checksum (%1 %2)</source>
        <translation>Das Abbild stimmt mit seiner Prüfsumme überein (%1 %2)</translation>
    </message>
</context>
<context>
    <name>sbIsoInfo</name>
    <message>
        <source>This file is not an ISO 9660 image; it will be burned as it is, as raw data</source>
        <translation>Diese Datei ist kein ISO-9660-Abbild; sie wird unverändert als Rohdaten gebrannt</translation>
    </message>
    <message>
        <source>Volume &quot;%1&quot;</source>
        <translation>Volume „%1“</translation>
    </message>
    <message>
        <source>, made %1</source>
        <translation>, erstellt %1</translation>
    </message>
    <message>
        <source>bootable</source>
        <translation>bootfähig</translation>
    </message>
    <message>
        <source>not bootable</source>
        <translation>nicht bootfähig</translation>
    </message>
    <message>
        <source>Joliet and Rock Ridge names</source>
        <translation>Joliet- und Rock-Ridge-Namen</translation>
    </message>
    <message>
        <source>Joliet names</source>
        <translation>Joliet-Namen</translation>
    </message>
    <message>
        <source>Rock Ridge names</source>
        <translation>Rock-Ridge-Namen</translation>
    </message>
    <message>
        <source>ISO 9660 names only</source>
        <translation>nur ISO-9660-Namen</translation>
    </message>
</context>
<context>
    <name>sbLibrarySession</name>
    <message>
        <source>  --demo                  use only the shipped demo recorders (real time at the set speed)
  --virtual-drives FILE   use the virtual recorders described in FILE
  --time-scale X          override every virtual recorder&apos;s time scale, 0 to 100 (0 = as fast as possible)
  --no-real-drives        do not use the drives of this machine
</source>
        <translation>  --demo                  nur die mitgelieferten Demo-Brenner verwenden (in Echtzeit bei der gewählten Geschwindigkeit)
  --virtual-drives DATEI  die in DATEI beschriebenen virtuellen Brenner verwenden
  --time-scale X          den Zeitfaktor aller virtuellen Brenner ersetzen, 0 bis 100 (0 = so schnell wie möglich)
  --no-real-drives        die Laufwerke dieses Rechners nicht verwenden
</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 erwartet einen Wert</translation>
    </message>
    <message>
        <source>--time-scale needs a number from 0 to %1</source>
        <translation>--time-scale erwartet eine Zahl von 0 bis %1</translation>
    </message>
    <message>
        <source>--pseudo-drive-size must follow a --pseudo-drive</source>
        <translation>--pseudo-drive-size muss auf ein --pseudo-drive folgen</translation>
    </message>
    <message>
        <source>--pseudo-drive-size needs a number of bytes above 0</source>
        <translation>--pseudo-drive-size erwartet eine Anzahl Bytes über 0</translation>
    </message>
    <message>
        <source>The demo recorder configuration %1 was not found beside the program</source>
        <translation>Die Konfiguration der Demo-Brenner %1 wurde neben dem Programm nicht gefunden</translation>
    </message>
</context>
<context>
    <name>sbReadDiscFlow</name>
    <message>
        <source>No drive holds a written disc to read. Insert the disc to copy into a drive, then choose Read from a disc again</source>
        <translation>In keinem Laufwerk liegt eine beschriebene Disc zum Lesen. Legen Sie die zu kopierende Disc in ein Laufwerk ein und wählen Sie dann erneut „Von Disc lesen“</translation>
    </message>
    <message>
        <source>The disc to save as an image:</source>
        <translation>Die Disc, die als Abbild gespeichert werden soll:</translation>
    </message>
    <message>
        <source>Save the disc as an image</source>
        <translation>Disc als Abbild speichern</translation>
    </message>
    <message>
        <source>ISO image (*.iso *.ISO)</source>
        <translation>ISO-Abbild (*.iso *.ISO)</translation>
    </message>
    <message>
        <source>disc</source>
        <translation>disc</translation>
    </message>
    <message>
        <source>Reading disc</source>
        <translation>Disc wird gelesen</translation>
    </message>
    <message>
        <source>The disc is saved as &quot;%1&quot;. Take it out of %2 and insert a blank disc to burn the image on.</source>
        <translation>Die Disc ist als „%1“ gespeichert. Nehmen Sie sie aus %2 und legen Sie eine leere Disc ein, auf die das Abbild gebrannt wird.</translation>
    </message>
    <message>
        <source>Reading the disc in %1 into
&quot;%2&quot;</source>
        <translation>Die Disc in %1 wird gelesen nach
„%2“</translation>
    </message>
    <message>
        <source>CD image with cue sheet (*.cue *.CUE)</source>
        <translation>CD-Abbild mit Cue-Sheet (*.cue *.CUE)</translation>
    </message>
</context>
<context>
    <name>sbSleepInhibitor</name>
    <message>
        <source>Burning a disc</source>
        <translation>Eine Disc wird gebrannt</translation>
    </message>
</context>
<context>
    <name>sbStagedAction</name>
    <message>
        <source>%1 MBs of cache will be used during burn process</source>
        <translation>Beim Brennen werden %1 MB Cache verwendet</translation>
    </message>
    <message>
        <source>Testing unit ready</source>
        <translation>Bereitschaft des Laufwerks wird geprüft</translation>
    </message>
    <message>
        <source>Track-At-Once: %1, Session-At-Once: %2, Disc-At-Once PQ: %3, Disc-At-Once raw P-W: %4</source>
        <translation>Track-At-Once: %1, Session-At-Once: %2, Disc-At-Once PQ: %3, Disc-At-Once raw P-W: %4</translation>
    </message>
    <message>
        <source>Getting BUP (Buffer Underrun Protection) support</source>
        <translation>Unterstützung für BUP (Buffer Underrun Protection) wird abgefragt</translation>
    </message>
    <message>
        <source>BUP (Buffer Underrun Protection) Enabled: %1, Supported: %2</source>
        <translation>BUP (Buffer Underrun Protection) aktiviert: %1, unterstützt: %2</translation>
    </message>
    <message>
        <source>Enabling BUP (Buffer Underrun Protection)</source>
        <translation>BUP (Buffer Underrun Protection) wird aktiviert</translation>
    </message>
    <message>
        <source>Setting CD/DVD speeds</source>
        <translation>CD/DVD-Geschwindigkeiten werden eingestellt</translation>
    </message>
    <message>
        <source>Getting current CD/DVD speeds</source>
        <translation>Aktuelle CD/DVD-Geschwindigkeiten werden abgefragt</translation>
    </message>
    <message>
        <source>Current read speed %1 KBps (%2 maximum)</source>
        <translation>Aktuelle Lesegeschwindigkeit %1 KB/s (höchstens %2)</translation>
    </message>
    <message>
        <source>Current write speed %1 KBps (%2 maximum)</source>
        <translation>Aktuelle Schreibgeschwindigkeit %1 KB/s (höchstens %2)</translation>
    </message>
    <message>
        <source>Getting track information</source>
        <translation>Spurinformationen werden abgefragt</translation>
    </message>
    <message>
        <source>Track Blank: %1, NWA valid: %2, free LBs %3, track № %4</source>
        <translation>Spur leer: %1, NWA gültig: %2, freie LBs %3, Spur Nr. %4</translation>
    </message>
    <message>
        <source>Getting disc information</source>
        <translation>Disc-Informationen werden abgefragt</translation>
    </message>
    <message>
        <source>Disc erasable: %1, Disc status: 0x%2, Last session status: 0x%3, Disc type: %4</source>
        <translation>Disc löschbar: %1, Disc-Status: 0x%2, Status letzte Sitzung: 0x%3, Disc-Typ: %4</translation>
    </message>
    <message>
        <source>Sending OPC (Optimum Power Calibration)</source>
        <translation>OPC (Optimum Power Calibration) wird durchgeführt</translation>
    </message>
    <message>
        <source>Building ISO image</source>
        <translation>ISO-Abbild wird erstellt</translation>
    </message>
    <message>
        <source>Need to save %1 MB</source>
        <translation>Zu speichern: %1 MB</translation>
    </message>
</context>
<context>
    <name>sbStrings</name>
    <message>
        <source>&amp;Next &gt;</source>
        <translation>&amp;Weiter &gt;</translation>
    </message>
    <message>
        <source>&lt; &amp;Back</source>
        <translation>&lt; &amp;Zurück</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>You must select device that is supports burning CD/DVD</source>
        <translation>Bitte wählen Sie ein Laufwerk, das CDs oder DVDs brennen kann</translation>
    </message>
    <message>
        <source>Welcome to Korvanel</source>
        <translation>Willkommen bei Korvanel</translation>
    </message>
    <message>
        <source>Burning</source>
        <translation>Brennen</translation>
    </message>
    <message>
        <source>Device Selection</source>
        <translation>Laufwerksauswahl</translation>
    </message>
    <message>
        <source>Burning Options</source>
        <translation>Brennoptionen</translation>
    </message>
    <message>
        <source>You can choose various burning options</source>
        <translation>Hier legen Sie die Optionen für den Brennvorgang fest</translation>
    </message>
    <message>
        <source>SCSI Transport</source>
        <translation>SCSI-Zugriffsart</translation>
    </message>
    <message>
        <source>The SCSI transport is a method to access devices</source>
        <translation>Die Zugriffsart bestimmt, wie die Laufwerke angesprochen werden</translation>
    </message>
    <message>
        <source>Review the Data CD/DVD options you have chosen before proceed with burning</source>
        <translation>Prüfen Sie die gewählten Optionen, bevor Sie mit dem Brennen beginnen</translation>
    </message>
    <message>
        <source>Options Summary</source>
        <translation>Zusammenfassung</translation>
    </message>
    <message>
        <source>Korvanel has successfully finished!</source>
        <translation>Korvanel hat den Vorgang erfolgreich abgeschlossen!</translation>
    </message>
    <message>
        <source>Completing the Korvanel</source>
        <translation>Abschluss des Korvanel-Assistenten</translation>
    </message>
    <message>
        <source>Korvanel has finished with error</source>
        <translation>Korvanel wurde mit einem Fehler beendet</translation>
    </message>
    <message>
        <source>Burning was canceled by user!</source>
        <translation>Das Brennen wurde vom Benutzer abgebrochen!</translation>
    </message>
    <message>
        <source>You can choose burning mode</source>
        <translation>Hier wählen Sie den Brennmodus</translation>
    </message>
    <message>
        <source>Burning Mode</source>
        <translation>Brennmodus</translation>
    </message>
    <message>
        <source>Source Image File Selection</source>
        <translation>Auswahl der Abbilddatei</translation>
    </message>
    <message>
        <source>Please select an image file you would like to burn</source>
        <translation>Wählen Sie die Abbilddatei, die Sie brennen möchten</translation>
    </message>
    <message>
        <source>Burning file system image...</source>
        <translation>Das Dateisystemabbild wird gebrannt...</translation>
    </message>
    <message>
        <source>CD or DVD burning device to use for disc burning.</source>
        <translation>Der CD- oder DVD-Brenner, mit dem die Disc gebrannt wird.</translation>
    </message>
    <message>
        <source>No writable disc is inserted</source>
        <translation>Es ist kein beschreibbarer Rohling eingelegt</translation>
    </message>
    <message>
        <source>No media in drive</source>
        <translation>Keine Disc im Laufwerk</translation>
    </message>
    <message>
        <source>Disc is not blank, burning is impossible!</source>
        <translation>Die Disc ist nicht leer, Brennen ist nicht möglich!</translation>
    </message>
    <message>
        <source>Click Next to start burning</source>
        <translation>Klicken Sie auf „Weiter“, um das Brennen zu starten</translation>
    </message>
    <message>
        <source>Data CD/DVD will be created with the following options chosen:</source>
        <translation>Die Daten-CD/-DVD wird mit den folgenden Optionen erstellt:</translation>
    </message>
    <message>
        <source>Test mode does everything as in normal burning process, but with the device laser turned off. It allows to test the Data CD/DVD compilation for errors.</source>
        <translation>Im Testmodus läuft alles wie beim normalen Brennen ab, jedoch mit ausgeschaltetem Laser. So lässt sich die Zusammenstellung der Daten-CD/-DVD auf Fehler prüfen.</translation>
    </message>
    <message>
        <source>Destination device</source>
        <translation>Ziellaufwerk</translation>
    </message>
    <message>
        <source>Korvanel is scanning your system for CD and DVD devices.</source>
        <translation>Korvanel sucht auf Ihrem System nach CD- und DVD-Laufwerken.</translation>
    </message>
    <message>
        <source>Burning image</source>
        <translation>Abbild wird gebrannt</translation>
    </message>
    <message>
        <source>Source image file:</source>
        <translation>Abbilddatei:</translation>
    </message>
    <message>
        <source>You must select image file</source>
        <translation>Bitte wählen Sie eine Abbilddatei</translation>
    </message>
    <message>
        <source>Are you sure you want to cancel current operation?</source>
        <translation>Möchten Sie den laufenden Vorgang wirklich abbrechen?</translation>
    </message>
    <message>
        <source>Image size is too big to fit disc space</source>
        <translation>Das Abbild ist zu groß für den freien Platz auf der Disc</translation>
    </message>
    <message>
        <source>File size: %.2f Mb      Disc size: %.2f Mb</source>
        <translation>Dateigröße: %.2f MB      Disc-Größe: %.2f MB</translation>
    </message>
    <message>
        <source>Drive: %s %s (%s)</source>
        <translation>Laufwerk: %s %s (%s)</translation>
    </message>
    <message>
        <source>Selected image file name: %s</source>
        <translation>Gewählte Abbilddatei: %s</translation>
    </message>
    <message>
        <source>Disc Type: %s</source>
        <translation>Disc-Typ: %s</translation>
    </message>
    <message>
        <source>Send OPC: %s</source>
        <translation>OPC durchführen: %s</translation>
    </message>
    <message>
        <source>Burning Speed: %s</source>
        <translation>Brenngeschwindigkeit: %s</translation>
    </message>
    <message>
        <source>Test Write: %s</source>
        <translation>Testbrennen: %s</translation>
    </message>
    <message>
        <source>Transport: %s</source>
        <translation>Zugriffsart: %s</translation>
    </message>
    <message>
        <source>Burning Mode: %s</source>
        <translation>Brennmodus: %s</translation>
    </message>
    <message>
        <source>Burning mode</source>
        <translation>Brennmodus</translation>
    </message>
    <message>
        <source>Burning started</source>
        <translation>Brennvorgang gestartet</translation>
    </message>
    <message>
        <source>Scanning devices</source>
        <translation>Laufwerke werden gesucht</translation>
    </message>
    <message>
        <source>Blank</source>
        <translation>Leer</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>Cancelling...</source>
        <translation>Wird abgebrochen...</translation>
    </message>
    <message>
        <source>Verify written data: %s</source>
        <translation>Geschriebene Daten überprüfen: %s</translation>
    </message>
</context>
<context>
    <name>sbVerifyAction</name>
    <message>
        <source>Verification failed: the disc differs from the image at byte %1</source>
        <translation>Überprüfung fehlgeschlagen: Die Disc weicht ab Byte %1 vom Abbild ab</translation>
    </message>
    <message>
        <source>Verification cancelled</source>
        <translation>Überprüfung abgebrochen</translation>
    </message>
    <message>
        <source>Nothing to verify after a test burn</source>
        <translation>Nach einem Testbrennvorgang gibt es nichts zu überprüfen</translation>
    </message>
    <message>
        <source>Verifying disc</source>
        <translation>Disc wird überprüft</translation>
    </message>
    <message>
        <source>Verification failed: the disc holds no track</source>
        <translation>Überprüfung fehlgeschlagen: Die Disc enthält keine Spur</translation>
    </message>
    <message>
        <source>Cannot read the image file &quot;%1&quot;: %2</source>
        <translation>Die Abbilddatei „%1“ kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>Verification passed (SHA-256 %1)</source>
        <translation>Überprüfung erfolgreich (SHA-256 %1)</translation>
    </message>
    <message>
        <source>Checking the %1 files of the earlier sessions</source>
        <translation>Die %1 Dateien der früheren Sitzungen werden geprüft</translation>
    </message>
    <message>
        <source>Verification failed: the new directory does not lead to &quot;%1&quot; of the earlier sessions where its bytes are</source>
        <translation>Überprüfung fehlgeschlagen: das neue Verzeichnis führt nicht dorthin, wo die Daten von „%1“ aus den früheren Sitzungen liegen</translation>
    </message>
    <message>
        <source>Verification failed: &quot;%1&quot; of the earlier sessions cannot be read: %2</source>
        <translation>Überprüfung fehlgeschlagen: „%1“ aus den früheren Sitzungen ist nicht lesbar: %2</translation>
    </message>
    <message>
        <source>The %1 files of the earlier sessions read back through the new directory</source>
        <translation>Die %1 Dateien der früheren Sitzungen sind über das neue Verzeichnis lesbar</translation>
    </message>
</context>
<context>
    <name>sbVerifyLayoutAction</name>
    <message>
        <source>Audio read offset of the drive: %1 samples</source>
        <translation>Leseversatz des Laufwerks bei Audio: %1 Samples</translation>
    </message>
    <message>
        <source>Verification passed: 1 track read back equal</source>
        <translation>Überprüfung erfolgreich: 1 Titel gleich zurückgelesen</translation>
    </message>
    <message>
        <source>Verification passed: %1 tracks read back equal</source>
        <translation>Überprüfung erfolgreich: %1 Titel gleich zurückgelesen</translation>
    </message>
    <message>
        <source>Verification failed: track %1 differs from the disc at block %2 of it</source>
        <translation>Überprüfung fehlgeschlagen: Titel %1 weicht in seinem Block %2 von der Disc ab</translation>
    </message>
    <message>
        <source>Verification failed: no tracks to compare</source>
        <translation>Überprüfung fehlgeschlagen: keine Titel zum Vergleichen</translation>
    </message>
    <message>
        <source>Verification failed: %1</source>
        <translation>Überprüfung fehlgeschlagen: %1</translation>
    </message>
</context>
<context>
    <name>sbWindowFrame</name>
    <message>
        <source>Cannot load the window image &quot;%1&quot;: the file is missing</source>
        <translation>Das Fensterbild „%1“ kann nicht geladen werden: Die Datei fehlt</translation>
    </message>
    <message>
        <source>Cannot load the window image &quot;%1&quot;: not a readable image</source>
        <translation>Das Fensterbild „%1“ kann nicht geladen werden: kein lesbares Bild</translation>
    </message>
</context>
<context>
    <name>ufrmOptionsSummary</name>
    <message>
        <source>mode %1</source>
        <translation>Modus %1</translation>
    </message>
    <message>
        <source>Number of copies: %1</source>
        <translation>Anzahl der Kopien: %1</translation>
    </message>
    <message>
        <source>Volume label: %1</source>
        <translation>Disc-Bezeichnung: %1</translation>
    </message>
    <message>
        <source>Eject the disc when done: %1</source>
        <translation>Disc nach Abschluss auswerfen: %1</translation>
    </message>
    <message>
        <source>Adds session %1 to the %2 files on the disc</source>
        <translation>Fügt Sitzung %1 zu den %2 Dateien auf der Disc hinzu</translation>
    </message>
    <message>
        <source>Leave the disc open for more sessions: No (the disc is closed)</source>
        <translation>Disc für weitere Sitzungen offen lassen: Nein (die Disc wird abgeschlossen)</translation>
    </message>
    <message>
        <source>Leave the disc open for more sessions: Yes (about %1 left after this one)</source>
        <translation>Disc für weitere Sitzungen offen lassen: Ja (danach etwa %1 frei)</translation>
    </message>
    <message>
        <source>Leave the disc open for more sessions: Yes</source>
        <translation>Disc für weitere Sitzungen offen lassen: Ja</translation>
    </message>
    <message>
        <source>Audio CD: %1</source>
        <translation>Audio-CD: %1</translation>
    </message>
    <message>
        <source>Cue sheet: %1 (%2)</source>
        <translation>Cue-Sheet: %1 (%2)</translation>
    </message>
    <message>
        <source>Track-at-once: pauses of 2 seconds and no CD-TEXT</source>
        <translation>Track-At-Once: Pausen von 2 Sekunden und kein CD-TEXT</translation>
    </message>
    <message>
        <source>CD-TEXT: album and track titles</source>
        <translation>CD-TEXT: Album- und Titelnamen</translation>
    </message>
</context>
</TS>
