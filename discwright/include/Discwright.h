/*
 * Discwright: the Korvanel burning library.
 *
 * A plain C interface. Every device call takes, right after its handle, the
 * error triple: a text buffer (DISCWRIGHT_TEXT_SIZE bytes), its size, a pointer
 * to a 32-bit status and a pointer to a 64-byte failure-information block.
 * File-tree calls take the same without the block. Every call returns its
 * exception number: 0 on success, one of DW_E_* otherwise, and on failure the
 * text buffer holds a sentence a user can act on.
 *
 * Status: for device failures the SCSI sense of the failing command packed as
 * (sense key << 16) | (ASC << 8) | ASCQ; for file-system failures the errno
 * value; 0 when neither applies.
 *
 * Handles are 32-bit ids (0 = none). A destroyed or unknown handle gets
 * DW_E_INVALID_HANDLE, never a crash.
 *
 * SPDX-License-Identifier: GPL-2.0-or-later
 */
#ifndef KORVANEL_DISCWRIGHT_H
#define KORVANEL_DISCWRIGHT_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define DISCWRIGHT_VERSION 0x20080820u
#define DISCWRIGHT_TEXT_SIZE 1024u
#define DISCWRIGHT_FAILURE_INFO_SIZE 64u
#define DISCWRIGHT_RPC_VALUE_SIZE 260u
#define DISCWRIGHT_SECTOR_SIZE 2048u
/* Track number that names the invisible (next writable) track. */
#define DISCWRIGHT_TRACK_INVISIBLE 255u
/* Speed value that asks for the device's maximum. */
#define DISCWRIGHT_SPEED_MAX 0xFFFFu
/* SCSI peripheral device type of CD/DVD devices, for Discwright_FindDevice. */
#define DISCWRIGHT_DEVICE_TYPE_CDDVD 5u
/* Programs that open devices by name try CdRom0 to CdRom<this>. */
#define DISCWRIGHT_LAST_DEVICE_NUMBER 20
/* The slowest emulation a virtual recorder takes: this many times slower than a real drive. */
#define DISCWRIGHT_MAX_TIME_SCALE 100.0

/* Exception numbers. */
enum {
  DW_E_OK = 0,
  DW_E_NOT_STARTED = 1,      /* the library session is not up */
  DW_E_INVALID_HANDLE = 2,   /* unknown, destroyed or wrong kind of handle */
  DW_E_INVALID_ARGUMENT = 3, /* a null pointer, a bad size, a bad value */
  DW_E_NOT_SUPPORTED = 4,    /* the device or medium cannot do this */
  DW_E_NO_DEVICE = 5,        /* no device under that name or address */
  DW_E_NOT_READY = 6,        /* the unit is becoming ready or busy */
  DW_E_NO_MEDIUM = 7,        /* no medium, or the tray is open */
  DW_E_MEDIUM_NOT_BLANK = 8, /* the medium is written and cannot take more */
  DW_E_OUT_OF_SPACE = 9,     /* the data does not fit the free space */
  DW_E_IO = 10,              /* a read or write failed */
  DW_E_CANCELLED = 11,       /* the operation was cancelled */
  DW_E_LOCKED = 12,          /* medium removal is prevented */
  DW_E_BUSY = 13,            /* another operation is running on the device */
  DW_E_CONFIG = 14,          /* the start-up data or configuration is invalid */
  DW_E_FILE = 15,            /* a file could not be opened or read */
  DW_E_INTERNAL = 16         /* an unexpected failure inside the library */
};

/* Statuses of DW_E_NO_MEDIUM that a program tells apart: an empty drive, and
 * one whose tray is open (a drive that cannot tell answers the first). */
#define DW_STATUS_NO_MEDIUM 0x023A00u
#define DW_STATUS_TRAY_OPEN 0x023A02u

typedef uint32_t DiscwrightHandle;

/*
 * Callback reasons:
 *  0  name added to a file tree: param1 = name (char*), param2 = node (opaque);
 *     context = pointer to a uint32_t node counter given to the tree.
 *  1  name removed (same arguments);
 *  2  name left out of the tree (a FIFO, socket or device node): param1 = name (char*),
 *     param2 = why, in words (char*);
 *  3  name collision: param1 = DiscwrightNameCollision*, whose Result the callback sets.
 *  4  a file over 4 GiB put into a file tree: param1 = name (char*), param2 = uint64_t* size
 *     in bytes. The image holds it in several extents (ISO 9660 level 3), which only
 *     readers of that level join.
 *  5  a chosen entry would take a name already on the disc (FindClashes): param1 = its path
 *     on the disc (char*), param2 = NULL.
 *  6  a file of the disc (ForEachDiscFile): param1 = DiscwrightDiscEntry*, param2 = NULL.
 *  10 device found: param1 = DiscwrightDeviceAddress*, param2 = NULL.
 *  12 progress: param1 = uint64_t* total bytes, param2 = uint64_t* done bytes.
 *  13 drive buffer: param1 = uint32_t* size, param2 = uint32_t* free bytes.
 *  14 a track begins (BurnLayout, VerifyLayout, ReadLayout): param1 = uint32_t* track
 *     number (1-based), param2 = uint32_t* tracks in all.
 */
typedef void (*DiscwrightCallback)(uint32_t reason, void* context, void* param1, void* param2);

enum {
  DW_REASON_ADD_NAME = 0,
  DW_REASON_REMOVE_NAME = 1,
  DW_REASON_IGNORE_NAME = 2,
  DW_REASON_NAME_COLLISION = 3,
  DW_REASON_LARGE_FILE = 4,
  DW_REASON_ON_DISC = 5,
  DW_REASON_DISC_ENTRY = 6,
  DW_REASON_DEVICE_FOUND = 10,
  DW_REASON_PROGRESS = 12,
  DW_REASON_BUFFER = 13,
  DW_REASON_TRACK = 14
};

/* Disc kinds (one byte). */
enum {
  DISC_TYPE_UNKNOWN = 0,
  DISC_TYPE_CDROM = 1,
  DISC_TYPE_CDR = 2,
  DISC_TYPE_CDRW = 3,
  DISC_TYPE_DVDROM = 4,
  DISC_TYPE_DVDR = 5,
  DISC_TYPE_DVDRAM = 6,
  DISC_TYPE_DVDRWRO = 7,
  DISC_TYPE_DVDRWSR = 8,
  DISC_TYPE_DVDPLUSRW = 9,
  DISC_TYPE_DDCDROM = 10,
  DISC_TYPE_DDCDR = 11,
  DISC_TYPE_DDCDRW = 12,
  DISC_TYPE_DVDPLUSR = 13,
  DISC_TYPE_NO_MEDIA = 14,
  DISC_TYPE_DVDPLUSR_DL = 15,
  DISC_TYPE_DVDR_DL = 16,
  DISC_TYPE_BDR = 17,
  DISC_TYPE_BDRE = 18,
  DISC_TYPE_HDDVDROM = 19,
  DISC_TYPE_HDDVDR = 20,
  DISC_TYPE_HDDVDRW = 21
};

/* Disc and session status values of the disc information record. */
enum { DW_DISC_BLANK = 0, DW_DISC_APPENDABLE = 1, DW_DISC_COMPLETE = 2 };
enum { DW_SESSION_EMPTY = 0, DW_SESSION_INCOMPLETE = 1, DW_SESSION_COMPLETE = 3 };

/*
 * Media formats. Discwright_CdvdBurnerGrabber_GetSupportedMediaFormats fills
 * ten flags, ..._GetSupportedMediaFormatsExEx six, in this order:
 */
enum {
  DW_FMT_READ_CDR = 0,
  DW_FMT_READ_CDRW = 1,
  DW_FMT_READ_DVD = 2, /* reads DVD: the device has region playback control */
  DW_FMT_READ_DVDR = 3,
  DW_FMT_READ_DVDRAM = 4,
  DW_FMT_TEST_WRITE = 5, /* the device can simulate a burn */
  DW_FMT_WRITE = 6,      /* the device can write recordable media */
  DW_FMT_WRITE_CDRW = 7,
  DW_FMT_WRITE_DVDR = 8,
  DW_FMT_WRITE_DVDRAM = 9,
  DW_FMT_COUNT = 10
};
enum {
  DW_FMTX_READ_DVDPLUSRW = 0,
  DW_FMTX_READ_DVDPLUSR = 1,
  DW_FMTX_READ_DVDPLUSR_DL = 2,
  DW_FMTX_WRITE_DVDPLUSRW = 3,
  DW_FMTX_WRITE_DVDPLUSR = 4,
  DW_FMTX_WRITE_DVDPLUSR_DL = 5,
  DW_FMTX_COUNT = 6
};

/* Write modes (ProbeSupportedWriteModes) and read modes (ProbeSupportedReadModes). */
enum { DW_WRITE_TAO = 0, DW_WRITE_SAO = 1, DW_WRITE_DAO_PQ = 2, DW_WRITE_DAO_RAW = 3, DW_WRITE_MODE_COUNT = 4 };
enum {
  DW_READ_CDDA = 0,
  DW_READ_CDDA_ACCURATE = 1,
  DW_READ_MODE2_FORM1 = 2,
  DW_READ_MODE2_FORM2 = 3,
  DW_READ_RAW_PW = 4,
  DW_READ_C2_POINTERS = 5,
  DW_READ_MODE_COUNT = 6
};

#pragma pack(push, 1)

typedef struct DiscwrightDeviceAddress {
  uint8_t Valid; /* non-zero when the address is known */
  uint8_t PortID;
  uint8_t BusID;
  uint8_t TargetID;
  uint8_t LUN;
} DiscwrightDeviceAddress;

/* Disc information: 33 bytes, little-endian. */
typedef struct DiscwrightDiscInformation {
  uint8_t Valid;              /* 0: non-zero when the record was filled */
  uint8_t DiscStatus;         /* 1: DW_DISC_* */
  uint8_t LastSessionStatus;  /* 2: DW_SESSION_* */
  uint8_t Erasable;           /* 3 */
  uint16_t Sessions;          /* 4: complete or incomplete sessions on the disc */
  uint16_t FirstTrackLastSession; /* 6 */
  uint16_t LastTrackLastSession;  /* 8 */
  uint8_t DiscType;           /* 10: DISC_TYPE_* */
  uint8_t Reserved;           /* 11 */
  uint32_t CapacityBlocks;    /* 12: 2048-byte blocks */
  uint32_t UsedBlocks;        /* 16 */
  uint32_t FreeBlocks;        /* 20 */
  uint32_t LastSessionStart;  /* 24: first block of the last session */
  uint32_t NextWritable;      /* 28: next writable block, 0 when none */
  uint8_t Tracks;             /* 32: tracks on the disc */
} DiscwrightDiscInformation;

/* Track information: 28 bytes, little-endian. */
typedef struct DiscwrightTrackInformation {
  uint8_t Valid;              /* 0 */
  uint8_t TrackNumber;        /* 1 */
  uint8_t SessionNumber;      /* 2 */
  uint8_t TrackMode;          /* 3: 4 = data track */
  uint8_t DataMode;           /* 4: 1 = mode 1 */
  uint8_t Damaged;            /* 5 */
  uint8_t Copy;               /* 6 */
  uint8_t FixedPacket;        /* 7 */
  uint8_t ReservedTrack;      /* 8 */
  uint8_t Blank;              /* 9 */
  uint8_t Packet;             /* 10 */
  uint8_t NextWritableValid;  /* 11 */
  uint32_t StartBlock;        /* 12 */
  uint32_t NextWritable;      /* 16 */
  uint32_t FreeBlocks;        /* 20 */
  uint32_t SizeBlocks;        /* 24 */
} DiscwrightTrackInformation;

typedef struct DiscwrightTocEntry {
  uint8_t TrackNumber;
  uint8_t SessionNumber;
  uint8_t Control; /* 4 = data track */
  uint8_t Mode;
  uint32_t StartBlock;
  uint32_t SizeBlocks;
} DiscwrightTocEntry;

#define DISCWRIGHT_TOC_ENTRIES 100u

/* Table of contents: 13 838 bytes, little-endian. */
typedef struct DiscwrightTocInformation {
  uint8_t Valid;         /* 0 */
  uint8_t FirstTrack;    /* 1 */
  uint8_t LastTrack;     /* 2 */
  uint8_t Sessions;      /* 3 */
  uint32_t LeadOutBlock; /* 4 */
  DiscwrightTocEntry Entries[DISCWRIGHT_TOC_ENTRIES]; /* 8: one per track */
  uint8_t Reserved[13838 - 8 - 12 * DISCWRIGHT_TOC_ENTRIES];
} DiscwrightTocInformation;

/* Track table of the from-file disc-at-once calls: 79 604 bytes. */
#define DISCWRIGHT_TRACK_TABLE_ENTRIES 100u
#define DISCWRIGHT_TRACK_ENTRY_SIZE 796u
#define DISCWRIGHT_TRACK_NAME_OFFSET 9u
typedef struct DiscwrightTrackEntry {
  uint8_t Reserved[DISCWRIGHT_TRACK_NAME_OFFSET];
  char FileName[DISCWRIGHT_TRACK_ENTRY_SIZE - DISCWRIGHT_TRACK_NAME_OFFSET]; /* zero-terminated */
} DiscwrightTrackEntry;
typedef struct DiscwrightTrackTable {
  uint32_t Count;
  DiscwrightTrackEntry Tracks[DISCWRIGHT_TRACK_TABLE_ENTRIES];
} DiscwrightTrackTable;

/* Session layout of the session-at-once call: 29 108 bytes. */
#define DISCWRIGHT_LAYOUT_ENTRIES 101u
#define DISCWRIGHT_LAYOUT_ENTRY_SIZE 287u
#define DISCWRIGHT_LAYOUT_NAME_OFFSET 15u
#define DISCWRIGHT_LAYOUT_TREE_OFFSET 279u
typedef struct DiscwrightLayoutEntry {
  uint8_t Reserved[DISCWRIGHT_LAYOUT_NAME_OFFSET];
  char FileName[DISCWRIGHT_LAYOUT_TREE_OFFSET - DISCWRIGHT_LAYOUT_NAME_OFFSET]; /* zero-terminated */
  uint32_t FileTree;                                                            /* 279 */
  uint8_t Reserved2[DISCWRIGHT_LAYOUT_ENTRY_SIZE - DISCWRIGHT_LAYOUT_TREE_OFFSET - 4];
} DiscwrightLayoutEntry;
typedef struct DiscwrightSessionLayout {
  uint32_t Count;
  DiscwrightLayoutEntry Entries[DISCWRIGHT_LAYOUT_ENTRIES];
  uint8_t Reserved[29108 - 4 - DISCWRIGHT_LAYOUT_ENTRIES * DISCWRIGHT_LAYOUT_ENTRY_SIZE];
} DiscwrightSessionLayout;

/*
 * One session of the disc as readers see it: 72 bytes, little-endian. Sessions
 * are numbered from 1; on CD kinds each closed session is followed by its
 * lead-out and the next one's lead-in, so the next session starts past a gap.
 * The volume fields come from the primary volume descriptor at StartBlock + 16,
 * when the session holds one (HasIso9660).
 */
typedef struct DiscwrightSessionInformation {
  uint8_t Valid;          /* 0: non-zero when the record was filled */
  uint16_t Number;        /* 1: 1-based */
  uint8_t Status;         /* 3: DW_SESSION_COMPLETE, or DW_SESSION_INCOMPLETE when still open or broken off */
  uint8_t Damaged;        /* 4: a write broke off inside it */
  uint8_t HasIso9660;     /* 5: a primary volume descriptor at StartBlock + 16 */
  uint8_t Reserved[2];    /* 6 */
  uint32_t StartBlock;    /* 8: first block of its first track */
  uint32_t SizeBlocks;    /* 12: up to the end of its last track */
  char VolumeLabel[33];   /* 16: zero-terminated, trailing blanks removed */
  char Created[17];       /* 49: creation time YYYYMMDDhhmmsscc (local time), "" when unset */
  int8_t CreatedZone;     /* 66: offset of that local time from UTC, in 15-minute steps */
  uint8_t Reserved2[5];   /* 67 */
} DiscwrightSessionInformation;

/*
 * Two entries of a file tree want the same name. The callback may rewrite
 * Name in place and answers in Result: 1 keep both (the first is the boot
 * image), 2 keep both under the rewritten name, 3 merge the two folders.
 */
#define DISCWRIGHT_COLLISION_NAME_UNITS 260u
typedef struct DiscwrightNameCollision {
  uint8_t Joliet; /* 0: Name.Iso (8-bit), else Name.Utf16 */
  union {
    char Iso[2 * DISCWRIGHT_COLLISION_NAME_UNITS];
    uint16_t Utf16[DISCWRIGHT_COLLISION_NAME_UNITS];
  } Name;
  const char* FirstPath;  /* local path of the first entry */
  uint32_t FirstAttributes;  /* 0x10: a folder */
  const char* SecondPath;
  uint32_t SecondAttributes;
  uint8_t Result;
} DiscwrightNameCollision;

/*
 * Where a file tree made by Discwright_ISO9660JolietFileTree_CreateFromDisc came from:
 * 64 bytes. A tree of local files has FromDisc 0 and the rest zero.
 */
typedef struct DiscwrightTreeOrigin {
  uint8_t FromDisc;      /* 0: non-zero for a tree that continues a disc */
  uint8_t Overwritable;  /* 1: 0 (discs with sessions only, for now) */
  uint16_t Session;      /* 2: the session read (1-based) */
  uint32_t SessionStart; /* 4: its first block */
  uint32_t NextWritable; /* 8: the block the tree's image is built for and burned at */
  uint32_t DiscFiles;    /* 12: files of the disc the tree still holds */
  uint32_t DiscFolders;  /* 16: folders of the disc the tree still holds (not the top one) */
  char VolumeLabel[33];  /* 20: the disc's label, zero-terminated */
  uint8_t Reserved[11];  /* 53 */
} DiscwrightTreeOrigin;

/*
 * Track layouts: the tracks of an audio CD, a cue sheet or a mixed disc. Blocks are
 * CD sectors (75 a second); an audio block holds 588 stereo samples of 16 bits at
 * 44.1 kHz (2352 bytes, little-endian).
 */
#define DISCWRIGHT_RAW_SECTOR_SIZE 2352u
#define DISCWRIGHT_BLOCKS_PER_SECOND 75u
#define DISCWRIGHT_SAMPLES_PER_BLOCK 588u
#define DISCWRIGHT_CD_TEXT_CHARS 160u /* a title or a performer, UTF-8 bytes */

enum { DW_TRACK_AUDIO = 0, DW_TRACK_MODE1 = 1, DW_TRACK_MODE2_RAW = 2 };
enum { DW_TRACK_FLAG_COPY = 1, DW_TRACK_FLAG_PREEMPHASIS = 2 };

/* One track of a layout: 1,384 bytes, little-endian. */
typedef struct DiscwrightLayoutTrack {
  uint8_t Kind;              /* 0: DW_TRACK_* */
  uint8_t Flags;             /* 1: DW_TRACK_FLAG_* */
  uint8_t Reserved[2];       /* 2 */
  uint32_t PauseBlocks;      /* 4: the pause (silence) before the track; 150 = 2 s. Track 1's
                              *    first 150 blocks lie before block 0 of the disc */
  uint32_t SourcePregapBlocks; /* 8: leading blocks of the source that are the pause (index 0) */
  uint32_t PostgapBlocks;    /* 12: zeros after the track */
  uint32_t SourceBlocks;     /* 16: blocks from the source (read only: the library measures) */
  uint32_t StartBlock;       /* 20: index 1 on the disc, as laid out (read only) */
  uint64_t SourceSamples;    /* 24: audio: the decoded length in samples at 44.1 kHz (read only) */
  uint32_t SourceRate;       /* 32: audio: the file's sample rate (read only) */
  uint8_t SourceChannels;    /* 36: audio: the file's channels (read only) */
  char Isrc[13];             /* 37: 12 characters, or "" */
  char Title[DISCWRIGHT_CD_TEXT_CHARS + 1];     /* 50: CD-TEXT, UTF-8, "" for none */
  char Performer[DISCWRIGHT_CD_TEXT_CHARS + 1]; /* 211 */
  char Source[1012];         /* 372: the file the track comes from (read only) */
} DiscwrightLayoutTrack;

/* The disc of a layout: 384 bytes. */
typedef struct DiscwrightLayoutDisc {
  uint32_t Tracks;           /* 0 (read only) */
  uint32_t TotalBlocks;      /* 4: from block 0 to the lead-out, as laid out (read only) */
  char Catalog[14];          /* 8: 13 digits (UPC/EAN), or "" */
  char Title[DISCWRIGHT_CD_TEXT_CHARS + 1];     /* 22: the album's CD-TEXT */
  char Performer[DISCWRIGHT_CD_TEXT_CHARS + 1]; /* 183 */
  uint8_t Reserved[384 - 344];  /* 344 */
} DiscwrightLayoutDisc;

/* What VerifyLayout found: 16 bytes. */
typedef struct DiscwrightLayoutCheck {
  int32_t OffsetSamples;     /* 0: how far the drive's audio reads are shifted (0 on data-only discs) */
  uint32_t BadTrack;         /* 4: 0 when every track read back equal, else the first that did not */
  uint32_t BadBlock;         /* 8: the first block of it that differs (from its index 1) */
  uint32_t CheckedTracks;    /* 12 */
} DiscwrightLayoutCheck;

#pragma pack(pop)

/* A file of the disc that a tree still holds (reason 6): valid during the callback only. */
typedef struct DiscwrightDiscEntry {
  const char* Path;   /* "/folder/name", UTF-8 */
  uint64_t SizeBytes;
  int64_t Modified;   /* seconds since 1970 */
  uint32_t ExtentCount;
  const uint32_t* ExtentBlocks; /* where each extent starts on the disc */
  const uint32_t* ExtentBytes;  /* and how many bytes it holds */
} DiscwrightDiscEntry;

/*
 * Start-up data of Discwright_UpStartEx.
 *   Size             sizeof(DiscwrightStartup)
 *   UseRealDrives    non-zero: the recorders of this machine are used too
 *   VirtualConfig    path of a virtual-recorder configuration (JSON), or NULL
 *   StateFolder      where virtual media keep their backing files; NULL: the
 *                    configuration's "state_folder", else
 *                    $XDG_STATE_HOME/korvanel/media/<configuration file stem>
 *                    ($XDG_STATE_HOME defaults to ~/.local/state)
 *   TimeScale        >= 0 overrides every virtual recorder's time scale; < 0 keeps them
 *   ErrorText        receives the reason when start-up fails (may be NULL)
 *   PseudoDrives     PseudoDriveCount paths of files that act as extra drives
 *                    (written through the real-drive backend; for tests and
 *                    image files). Each gets the name CdRom<N> after the
 *                    highest number in use and the address 200+i:0:0:0. Such a
 *                    drive reports DISC_TYPE_DVDPLUSRW (an overwritable
 *                    medium that is always blank and takes one session).
 *   PseudoDriveSizes NULL or PseudoDriveCount capacities in bytes (0: the free
 *                    space of the file system, as the backend reports it)
 *
 * Size is sizeof(DiscwrightStartup) or DISCWRIGHT_STARTUP_SIZE_V1 (callers
 * built against the first version): fields past it count as zero.
 */
typedef struct DiscwrightStartup {
  uint32_t Size;
  uint8_t UseRealDrives;
  const char* VirtualConfig;
  const char* StateFolder;
  double TimeScale;
  char* ErrorText;
  uint32_t ErrorTextSize;
  const char* const* PseudoDrives;
  uint32_t PseudoDriveCount;
  const uint64_t* PseudoDriveSizes;
} DiscwrightStartup;

/* sizeof the first version of DiscwrightStartup (up to ErrorTextSize), which Size may also hold. */
#define DISCWRIGHT_STARTUP_SIZE_V1                                                                    \
  ((offsetof(DiscwrightStartup, ErrorTextSize) + sizeof(uint32_t) + sizeof(void*) - 1) / sizeof(void*) * \
   sizeof(void*))

#if defined(_WIN32)
#define DISCWRIGHT_API __declspec(dllexport)
#else
#define DISCWRIGHT_API __attribute__((visibility("default")))
#endif

#define DW_TRIPLE char *exceptionText, uint32_t exceptionTextSize, uint32_t *status, void *failureInfo
#define DW_TREE_TRIPLE char *exceptionText, uint32_t exceptionTextSize, uint32_t *status

/* ---- Session ---------------------------------------------------------- */

DISCWRIGHT_API uint32_t Discwright_GetVersion(void);
/* Starts the session; a second start while up is refused with DW_E_BUSY. */
DISCWRIGHT_API uint8_t Discwright_UpStartEx(const DiscwrightStartup* startup);
/* Reads and checks a virtual-recorder configuration without starting anything:
 * DW_E_OK, or DW_E_CONFIG with the file and what is wrong in errorText (as
 * Discwright_UpStartEx would refuse it). Needs no session. */
DISCWRIGHT_API uint8_t Discwright_CheckVirtualConfig(const char* virtualConfig, char* errorText, uint32_t errorTextSize);
/* Ends the session; every handle still open is destroyed. */
DISCWRIGHT_API uint8_t Discwright_DownShut(void);
/* How often the session grabbed and released its real drives and pseudo-drives
   since it started (not counting the grab that reads each drive's identity at
   the start). A grab spins a hardware drive up and a release spins it down: a
   job (a scan, a speed query, a burn, a read-back) grabs each drive it uses once.
   Either pointer may be null. */
DISCWRIGHT_API uint8_t Discwright_GetGrabCounts(uint64_t* grabs, uint64_t* releases);

/* ---- Devices ---------------------------------------------------------- */

/* Calls back reason 10 for every device of the type (5 = CD/DVD) before it returns. */
DISCWRIGHT_API uint8_t Discwright_FindDevice(uint32_t deviceType, uint32_t flags, DiscwrightCallback callback,
                                             void* context);
/*
 * Fills buffer (DISCWRIGHT_TEXT_SIZE bytes) with the local path of the drive
 * at that address: the four characters "\\.\" followed by the mount point of
 * its medium, or nothing after them when the medium is not mounted.
 */
DISCWRIGHT_API uint8_t Discwright_GetDeviceNameByDeviceAddress(uint8_t portId, uint8_t busId, uint8_t targetId,
                                                               uint8_t lun, char* buffer);
/*
 * Fills address with the SCSI address of the device opened by that name
 * ("CdRomN" or "/dev/srN"), so that a device found by name can be asked what
 * the address calls answer. DW_E_NO_DEVICE when no device has the name.
 */
DISCWRIGHT_API uint8_t Discwright_GetDeviceAddressByDeviceName(const char* deviceName,
                                                               DiscwrightDeviceAddress* address);

/* Opens a device by address. callback/context receive the burn calls' reasons 12 and 13. flags: 0. */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_Create(DiscwrightHandle* grabber, DW_TRIPLE,
                                                           DiscwrightCallback callback, void* context,
                                                           uint8_t portId, uint8_t busId, uint8_t targetId,
                                                           uint8_t lun, uint32_t flags);
/* Opens a device by name ("CdRom0"; on Linux "/dev/sr0" is accepted too). */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_CreateEx(DiscwrightHandle* grabber, DW_TRIPLE,
                                                             DiscwrightCallback callback, void* context,
                                                             const char* deviceName, uint32_t flags);
/* Destroys a grabber or a file tree and stores 0 in *handle. */
DISCWRIGHT_API uint8_t Discwright_Destroy(DiscwrightHandle* handle);

/* ---- Queries ------------------------------------------------------------ */

/* vendor, product and revision: buffers of DISCWRIGHT_TEXT_SIZE bytes. bufferSize in bytes. */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_GetDeviceInformation(DiscwrightHandle grabber, DW_TRIPLE,
                                                                         char* vendor, char* product,
                                                                         char* revision, uint32_t* bufferSize);
/* formats: DW_FMT_COUNT flags. */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_GetSupportedMediaFormats(DiscwrightHandle grabber, DW_TRIPLE,
                                                                             uint8_t formats[DW_FMT_COUNT]);
/* formats: DW_FMTX_COUNT flags. */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_GetSupportedMediaFormatsExEx(DiscwrightHandle grabber,
                                                                                 DW_TRIPLE,
                                                                                 uint8_t formats[DW_FMTX_COUNT]);
/* modes: DW_WRITE_MODE_COUNT flags for the inserted medium (the device's modes when none). */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_ProbeSupportedWriteModes(DiscwrightHandle grabber, DW_TRIPLE,
                                                                             uint8_t modes[DW_WRITE_MODE_COUNT]);
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_ProbeSupportedReadModes(DiscwrightHandle grabber, DW_TRIPLE,
                                                                            uint8_t modes[DW_READ_MODE_COUNT]);
/* Fails with DW_E_NO_MEDIUM when no medium is inserted or the tray is open. */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_TestUnitReady(DiscwrightHandle grabber, DW_TRIPLE);
/* DISC_TYPE_NO_MEDIA when the drive holds no accessible medium. */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_GetInsertedDiscType(DiscwrightHandle grabber, DW_TRIPLE,
                                                                        uint8_t* discType);
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_GetDiscInformation(DiscwrightHandle grabber, DW_TRIPLE,
                                                                       DiscwrightDiscInformation* info);
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_GetTrackInformation(DiscwrightHandle grabber, DW_TRIPLE,
                                                                        uint8_t trackNumber,
                                                                        DiscwrightTrackInformation* info);
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_GetTOCInformation(DiscwrightHandle grabber, DW_TRIPLE,
                                                                      DiscwrightTocInformation* toc);
/*
 * Session session (1 to DiscInformation.Sessions) of the inserted disc: where it
 * lies, whether it is complete or broken off, and the label and creation time
 * of its volume. DW_E_INVALID_ARGUMENT for a session the disc does not hold
 * (any, on a blank disc); DW_E_IO when its volume descriptor cannot be read
 * though the session is intact (the one of a broken-off session that cannot be
 * read just leaves HasIso9660 0).
 */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_GetSessionInformation(DiscwrightHandle grabber, DW_TRIPLE,
                                                                          uint16_t session,
                                                                          DiscwrightSessionInformation* info);
/*
 * Region playback control. Each value is a buffer of DISCWRIGHT_RPC_VALUE_SIZE
 * bytes whose first byte holds: the RPC scheme (0 none, 1 RPC-I, 2 RPC-II),
 * the region mask, the vendor resets left, the user changes left, the type code.
 */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_GetRPC(DiscwrightHandle grabber, DW_TRIPLE, uint8_t* scheme,
                                                           uint8_t* regionMask, uint8_t* vendorResets,
                                                           uint8_t* userChanges, uint8_t* typeCode);
/* Speeds in KB/s (1000 bytes). */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_GetSpeeds(DiscwrightHandle grabber, DW_TRIPLE,
                                                              uint32_t* currentRead, uint32_t* maximumRead,
                                                              uint32_t* currentWrite, uint32_t* maximumWrite);
/* Sets the highest supported speed not above each request; 0xFFFF asks for the maximum. */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_SetSpeeds(DiscwrightHandle grabber, DW_TRIPLE,
                                                              uint32_t readSpeed, uint32_t writeSpeed);
/* Buffer-underrun protection. */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_GetBUP(DiscwrightHandle grabber, DW_TRIPLE, uint8_t* enabled,
                                                           uint8_t* supported);
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_SetBUP(DiscwrightHandle grabber, DW_TRIPLE, uint8_t enable);
/* what: bit 0 fills *freeBlocks (2048-byte blocks), bit 1 fills *freeBytes; 3 asks for both. */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_GetDiscFreeSpace(DiscwrightHandle grabber, DW_TRIPLE,
                                                                     uint32_t what, uint32_t* freeBlocks,
                                                                     uint64_t* freeBytes);
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_GetDiscUsedSpace(DiscwrightHandle grabber, DW_TRIPLE,
                                                                     uint64_t* usedBytes);
/* Process-wide flag: read only the TOC header and track starts (a no-op for virtual recorders). */
DISCWRIGHT_API uint8_t Discwright_SetFastReadTOC(uint8_t fast);

/* ---- Control ------------------------------------------------------------ */

/* Prevents medium removal until Release (or until this grabber is destroyed). */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_Lock(DiscwrightHandle grabber, DW_TRIPLE);
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_Release(DiscwrightHandle grabber, DW_TRIPLE);
/* Opens the tray; fails with DW_E_LOCKED while locked. */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_Eject(DiscwrightHandle grabber, DW_TRIPLE);
/* Closes the tray (the medium in it becomes accessible again). */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_CloseTray(DiscwrightHandle grabber, DW_TRIPLE);
/* Closes the open session of track-at-once writing (a no-op when none is open). */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_CloseSession(DiscwrightHandle grabber, DW_TRIPLE);
/* Optimum power calibration for the inserted medium. */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_SendOPC(DiscwrightHandle grabber, DW_TRIPLE);
/* Ends a running burn or erase call on this grabber (from any thread) within 100 ms; it returns DW_E_CANCELLED. */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_Cancel(DiscwrightHandle grabber);
/* Reads count 2048-byte sectors from block lba of the inserted medium. */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_ReadSectors(DiscwrightHandle grabber, DW_TRIPLE, uint32_t lba,
                                                                uint32_t count, void* buffer);

/* ---- Burning -------------------------------------------------------------
 * Each call blocks until the burn has ended. Progress goes to the grabber's
 * callback (reasons 12 and 13) when reportProgress is non-zero. fifoMegabytes
 * sizes the buffer between reading the source and writing the medium
 * (0 = 8 MiB, at most 64). Arguments named "reserved" take the value the
 * burning classes pass and are otherwise ignored. A partial last block is
 * padded with zeros to a whole 2048-byte block.
 *
 * Track-at-once writes one track after the last one; the session stays open
 * until CloseSession, which leaves the disc appendable when the last track
 * was written with multiSession, else complete. Session-at-once and
 * disc-at-once close the disc (session-at-once with closeDisc 0 leaves it
 * appendable). testWrite runs the same timing and progress and writes nothing.
 */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_TrackAtOnceFromFile(DiscwrightHandle grabber, DW_TRIPLE,
                                                                        const char* fileName, uint8_t reserved,
                                                                        uint8_t testWrite, uint8_t multiSession,
                                                                        uint8_t reportProgress,
                                                                        uint32_t fifoMegabytes);
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_TrackAtOnceFromTree(DiscwrightHandle grabber, DW_TRIPLE,
                                                                        DiscwrightHandle fileTree, uint8_t reserved,
                                                                        uint8_t testWrite, uint8_t multiSession,
                                                                        uint8_t reportProgress,
                                                                        uint32_t fifoMegabytes);
/* fromTree: the entries hold file-tree handles (else file names). One track per entry. */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_SessionAtOnce(DiscwrightHandle grabber, DW_TRIPLE,
                                                                  const DiscwrightSessionLayout* layout,
                                                                  uint8_t fromTree, uint8_t testWrite,
                                                                  uint8_t closeDisc, uint8_t reportProgress,
                                                                  uint32_t fifoMegabytes);
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_DiscAtOncePQFromFile(DiscwrightHandle grabber, DW_TRIPLE,
                                                                         const DiscwrightTrackTable* tracks,
                                                                         uint8_t reserved, uint8_t testWrite,
                                                                         uint8_t reserved2, uint8_t reserved3,
                                                                         uint8_t reportProgress,
                                                                         uint32_t fifoMegabytes);
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_DiscAtOncePQFromTree(DiscwrightHandle grabber, DW_TRIPLE,
                                                                         DiscwrightHandle fileTree,
                                                                         uint8_t reserved, uint8_t testWrite,
                                                                         uint8_t reserved2, uint8_t reportProgress,
                                                                         uint32_t fifoMegabytes);
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_DiscAtOnceRawPWFromFile(DiscwrightHandle grabber, DW_TRIPLE,
                                                                            const DiscwrightTrackTable* tracks,
                                                                            uint8_t reserved, uint8_t testWrite,
                                                                            uint8_t reserved2, uint8_t reserved3,
                                                                            uint8_t reportProgress,
                                                                            uint32_t fifoMegabytes);
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_DiscAtOnceRawPWFromTree(DiscwrightHandle grabber, DW_TRIPLE,
                                                                            DiscwrightHandle fileTree,
                                                                            uint8_t reserved, uint8_t testWrite,
                                                                            uint8_t reserved2,
                                                                            uint8_t reportProgress,
                                                                            uint32_t fifoMegabytes);

/* ---- Erasing --------------------------------------------------------------
 * Erases the rewritable medium in the device so that it reads as blank again.
 * full 0 (fast): CD-RW and DVD-RW lose their table of contents (the data stay
 * on the disc but can no longer be reached); DVD+RW and BD-RE are marked
 * blank. full 1: every block of the disc is erased (CD-RW, DVD-RW) or the disc
 * is formatted anew (DVD+RW, BD-RE), which takes as long as writing the whole
 * disc at the lowest speed. Blocks until the erase has ended; progress goes to
 * the grabber's callback (reason 12: total and done in bytes; real drives
 * report the drive's own relative steps instead).
 * Discwright_CdvdBurnerGrabber_Cancel ends it within 100 ms with
 * DW_E_CANCELLED; the disc is then left half erased: it reads as written, with
 * an incomplete session, never as blank; erase it again. Real drives cannot
 * interrupt an erase they have begun: there a cancel is seen only before the
 * drive starts, and the call waits for the drive to finish.
 * Exception numbers:
 *   DW_E_NO_MEDIUM        no medium, or the tray is open
 *   DW_E_NOT_SUPPORTED    a write-once or pressed disc ("The disc in CdRom0 is a
 *                         CD-R: only rewritable discs (CD-RW, DVD-RW, DVD+RW,
 *                         BD-RE) can be erased"), or a device that cannot write
 *   DW_E_BUSY             a burn or erase is running on the device, or another
 *                         program uses it
 *   DW_E_CANCELLED        cancelled (see above)
 *   DW_E_IO               the drive reported a failure (the text says which)
 */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_Erase(DiscwrightHandle grabber, DW_TRIPLE, uint8_t full);

/* ---- File trees (ISO9660 + Joliet images of a folder) -------------------- */

/*
 * Creates a tree of the folder's contents. callback/context receive reasons 0 to 3.
 * Fails (15) naming each file or folder that cannot be read, with the reason; FIFOs,
 * sockets and device nodes are left out, each reported through reason 2.
 */
DISCWRIGHT_API uint8_t Discwright_ISO9660JolietFileTree_Create(DiscwrightHandle* fileTree, DW_TREE_TRIPLE,
                                                               DiscwrightCallback callback, void* context,
                                                               const char* folder);
/*
 * Creates a tree of the given files and folders (count paths), each at the top of the
 * image under its own name. Fails (15) as Create does, and also naming the entries
 * when two of them have the same name.
 */
DISCWRIGHT_API uint8_t Discwright_ISO9660JolietFileTree_CreateFromPaths(DiscwrightHandle* fileTree, DW_TREE_TRIPLE,
                                                                        DiscwrightCallback callback, void* context,
                                                                        const char* const* paths, uint32_t count);
/* Adds an El Torito boot image (no emulation, or floppy emulation for 1.2/1.44/2.88 MB files). */
DISCWRIGHT_API uint8_t Discwright_ISO9660JolietFileTree_SetBootImage(DiscwrightHandle fileTree, DW_TREE_TRIPLE,
                                                                     const char* bootImage, uint32_t reserved1,
                                                                     uint32_t reserved2, uint32_t reserved3,
                                                                     uint32_t reserved4);
/*
 * Builds the image. startBlock: the block the image will start at on the
 * medium (the next writable address of a multisession disc; 0 otherwise).
 * joliet: non-zero adds Joliet names. applicationId and preparerId go into
 * the volume descriptor (cut to 128 characters).
 */
DISCWRIGHT_API uint8_t Discwright_ISO9660JolietFileTree_BuildImage(DiscwrightHandle fileTree, DW_TREE_TRIPLE,
                                                                   uint32_t startBlock, uint32_t reserved,
                                                                   uint8_t joliet, const char* volumeLabel,
                                                                   const char* applicationId,
                                                                   const char* preparerId);
DISCWRIGHT_API uint8_t Discwright_ISO9660JolietFileTree_GetSizeInUCHARs(DiscwrightHandle fileTree, DW_TREE_TRIPLE,
                                                                        uint64_t* sizeBytes);
DISCWRIGHT_API uint8_t Discwright_ISO9660JolietFileTree_SeekToBegin(DiscwrightHandle fileTree, DW_TREE_TRIPLE);
/* Reads the next count bytes (at most 1 MiB) of the built image; fewer left is an error. */
DISCWRIGHT_API uint8_t Discwright_ISO9660JolietFileTree_Read(DiscwrightHandle fileTree, DW_TREE_TRIPLE,
                                                             uint32_t count, void* buffer);

/* ---- Trees that continue a disc (a session added to a disc left open) ----
 * Such a tree starts as the last session's tree of the disc, read through the
 * grabber: its files stay where they are on the disc, and the tree's image is the
 * next session, whose directories list them together with what was added. Build it
 * for its origin's NextWritable (BuildImage refuses any other start; an empty
 * volumeLabel keeps the disc's) and burn it with TrackAtOnceFromTree on that disc,
 * multiSession 1 to leave the disc open, 0 to close it at CloseSession. The burn
 * refuses (3) a disc that is not the one the files were read from, or that was
 * written since ("The disc in CdRom0 changed since its files were read: read them
 * again"); the other burn calls refuse such a tree. SetBootImage refuses it too.
 * The image read through Read is the new session only: it means something at
 * NextWritable of that disc alone. Callbacks of these calls run while the tree is
 * held: they must not call the tree.
 */

/*
 * Creates the tree of the last session of the disc in grabber (CD-R, DVD-R, DVD+R,
 * BD-R and the like, left appendable). An overwritable disc (DVD+RW, DVD-RAM, BD-RE,
 * formatted DVD-RW) or a file used as a drive has no sessions: the tree is the volume
 * whose descriptors are at block 16 (SessionStart 0), and NextWritable is its end
 * rounded up to 32 blocks. TrackAtOnceFromTree writes the new volume there and, once it
 * is on the medium, its descriptors over blocks 16 to 31 in one write: a burn that breaks
 * off before that leaves the old files in place. callback and context are reserved (the
 * reading reports nothing yet); pass NULL. Exception numbers:
 *   DW_E_NOT_SUPPORTED  a blank or closed disc, a last session still open, no ISO 9660
 *                       file system in the last session (at block 16 of an
 *                       overwritable disc), or files of it in blocks 16 to 31
 *   DW_E_OUT_OF_SPACE   no room for another session
 *   DW_E_IO             a block that cannot be read (the text names it; status: the
 *                       sense), or a damaged file system (the text says what)
 *   DW_E_BUSY           a burn or erase is running on the grabber
 */
DISCWRIGHT_API uint8_t Discwright_ISO9660JolietFileTree_CreateFromDisc(DiscwrightHandle* fileTree, DW_TREE_TRIPLE,
                                                                       DiscwrightHandle grabber,
                                                                       DiscwrightCallback callback, void* context);
/* Fills *origin (see DiscwrightTreeOrigin); counts are of the tree as it is now. */
DISCWRIGHT_API uint8_t Discwright_ISO9660JolietFileTree_GetOrigin(DiscwrightHandle fileTree, DW_TREE_TRIPLE,
                                                                  DiscwrightTreeOrigin* origin);
/*
 * Reports (reason 5) every path on the disc that the count chosen files and folders
 * would take when added below discFolder ("/" or NULL: the top); a chosen folder and
 * a folder of the disc of the same name merge, so their inner names count. Changes
 * nothing; *clashes (may be NULL) receives the count. Fails (15) as CreateFromPaths
 * does for entries that cannot be read, and when discFolder is no folder of the tree.
 */
DISCWRIGHT_API uint8_t Discwright_ISO9660JolietFileTree_FindClashes(DiscwrightHandle fileTree, DW_TREE_TRIPLE,
                                                                    DiscwrightCallback callback, void* context,
                                                                    const char* discFolder,
                                                                    const char* const* paths, uint32_t count,
                                                                    uint32_t* clashes);
/*
 * Adds the count chosen files and folders below discFolder ("/" or NULL: the top),
 * each under its own name; folders merge with the disc's folders of the same name.
 * replace 0: a name already taken fails (15, status EEXIST) naming them, and nothing
 * is added; non-zero: the disc's entry of that name leaves the new session's
 * directory. callback/context receive reasons 0, 2 and 4 as with CreateFromPaths.
 */
DISCWRIGHT_API uint8_t Discwright_ISO9660JolietFileTree_AddPaths(DiscwrightHandle fileTree, DW_TREE_TRIPLE,
                                                                 DiscwrightCallback callback, void* context,
                                                                 const char* discFolder, const char* const* paths,
                                                                 uint32_t count, uint8_t replace);
/*
 * Leaves a file or folder of the disc (with all it holds) out of the new session's
 * directory; its bytes stay on the disc. Fails (15, status ENOENT) when discPath is
 * no entry of the disc in the tree.
 */
DISCWRIGHT_API uint8_t Discwright_ISO9660JolietFileTree_RemovePath(DiscwrightHandle fileTree, DW_TREE_TRIPLE,
                                                                   const char* discPath);
/* Reports (reason 6) every file of the disc the tree still holds, with where its bytes lie. */
DISCWRIGHT_API uint8_t Discwright_ISO9660JolietFileTree_ForEachDiscFile(DiscwrightHandle fileTree, DW_TREE_TRIPLE,
                                                                        DiscwrightCallback callback, void* context);

/* ---- Track layouts (audio CDs, cue sheets) -------------------------------
 * A layout is the tracks of one CD session written disc-at-once (or track-at-once):
 * music files decoded while they are burned (WAV, FLAC, Ogg Vorbis, Opus and MP3 as the
 * decoding library offers them; other rates than 44.1 kHz resampled, mono doubled, more
 * channels mixed down), and the tracks of a cue sheet (audio and data from one image or
 * one file per track). Indexes of tracks are 1-based.
 */

/* Whether this build decodes music files (0: only 44.1 kHz 16-bit stereo WAV files and
 * raw images), and the file kinds it opens, as "wav flac ogg opus mp3". */
DISCWRIGHT_API uint8_t Discwright_TrackLayout_GetAudioSupport(uint8_t* decoding, char* kinds, uint32_t kindsSize);

DISCWRIGHT_API uint8_t Discwright_TrackLayout_Create(DiscwrightHandle* layout, DW_TREE_TRIPLE);
/*
 * Adds a music file as the last track; its title and performer come from its tags (else
 * the file name, no performer), the pause before it is 2 s. DW_E_FILE naming the file
 * when it cannot be opened or decoded ("song.mp3 cannot be decoded: ..."); *track (may be
 * NULL) receives its number.
 */
DISCWRIGHT_API uint8_t Discwright_TrackLayout_AddAudioFile(DiscwrightHandle layout, DW_TREE_TRIPLE,
                                                           const char* path, uint32_t* track);
/*
 * A layout of the tracks of a cue sheet: its files are opened and measured now. DW_E_FILE
 * when the sheet or a file it names cannot be read; DW_E_INVALID_ARGUMENT for what it asks
 * that cannot be written (CD+G, several sessions, a file shorter than its tracks, an
 * unknown command), the text naming the sheet's line ("album.cue, line 7: ...").
 */
DISCWRIGHT_API uint8_t Discwright_TrackLayout_CreateFromCueSheet(DiscwrightHandle* layout, DW_TREE_TRIPLE,
                                                                 const char* cuePath);
DISCWRIGHT_API uint8_t Discwright_TrackLayout_GetDisc(DiscwrightHandle layout, DW_TREE_TRIPLE,
                                                      DiscwrightLayoutDisc* disc);
/* Sets Catalog, Title and Performer (the rest is ignored). */
DISCWRIGHT_API uint8_t Discwright_TrackLayout_SetDisc(DiscwrightHandle layout, DW_TREE_TRIPLE,
                                                      const DiscwrightLayoutDisc* disc);
DISCWRIGHT_API uint8_t Discwright_TrackLayout_GetTrack(DiscwrightHandle layout, DW_TREE_TRIPLE, uint32_t index,
                                                       DiscwrightLayoutTrack* track);
/* Sets Flags, PauseBlocks, PostgapBlocks, Isrc, Title and Performer (the rest is ignored). */
DISCWRIGHT_API uint8_t Discwright_TrackLayout_SetTrack(DiscwrightHandle layout, DW_TREE_TRIPLE, uint32_t index,
                                                       const DiscwrightLayoutTrack* track);
/* Moves track from to position to (both 1-based); the others close up. */
DISCWRIGHT_API uint8_t Discwright_TrackLayout_MoveTrack(DiscwrightHandle layout, DW_TREE_TRIPLE, uint32_t from,
                                                        uint32_t to);
DISCWRIGHT_API uint8_t Discwright_TrackLayout_RemoveTrack(DiscwrightHandle layout, DW_TREE_TRIPLE, uint32_t index);
/*
 * The CD-TEXT packs of the layout (18 bytes each, with their CRC), as they are written
 * into the lead-in: *count receives the number of packs, 0 when the layout has no text;
 * packs (may be NULL) receives at most size bytes of them.
 */
DISCWRIGHT_API uint8_t Discwright_TrackLayout_GetCdTextPacks(DiscwrightHandle layout, DW_TREE_TRIPLE, void* packs,
                                                             uint32_t size, uint32_t* count);

/*
 * Burns the layout onto the blank CD in grabber: writeMode DW_WRITE_SAO (the pauses and
 * CD-TEXT as laid out) or DW_WRITE_TAO (each track on its own: pauses of 2 s and no
 * CD-TEXT; a layout that asks otherwise is refused with DW_E_NOT_SUPPORTED, as drives do).
 * Progress and reason 14 go to the grabber's callback. DW_E_OUT_OF_SPACE when the layout
 * is longer than the disc; DW_E_NOT_SUPPORTED on a disc that is not a CD.
 */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_BurnLayout(DiscwrightHandle grabber, DW_TRIPLE,
                                                               DiscwrightHandle layout, uint8_t writeMode,
                                                               uint8_t testWrite, uint8_t reportProgress,
                                                               uint32_t fifoMegabytes);
/*
 * Reads the disc back and compares it with the layout: data tracks block by block, audio
 * tracks sample by sample, allowing a shift of the drive's reads of up to maxOffsetSamples
 * either way (0 for exact; virtual recorders read without shift). Progress (reasons 12 and
 * 14) to the grabber's callback. DW_E_OK with check->BadTrack 0 when all is equal;
 * DW_E_IO when a block cannot be read.
 */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_VerifyLayout(DiscwrightHandle grabber, DW_TRIPLE,
                                                                 DiscwrightHandle layout,
                                                                 uint32_t maxOffsetSamples,
                                                                 DiscwrightLayoutCheck* check);
/* Reads count whole sectors (2352 bytes each: audio samples, or a data sector with its
 * sync, header and error correction) from block lba of the CD in grabber. */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_ReadRawSectors(DiscwrightHandle grabber, DW_TRIPLE,
                                                                   uint32_t lba, uint32_t count, void* buffer);
/*
 * Saves the CD in grabber as binPath (every track's raw sectors from block 0 to the
 * lead-out) and cuePath (a cue sheet naming binPath by its file name: the track modes, the
 * pauses the drive tells, CD-TEXT, catalog and ISRCs where the disc has them), which
 * CreateFromCueSheet and BurnLayout write back to an equal disc. Progress (reasons 12 and
 * 14) to the grabber's callback; Discwright_CdvdBurnerGrabber_Cancel ends it with
 * DW_E_CANCELLED and removes both files. DW_E_NOT_SUPPORTED for a disc that is not a CD.
 */
DISCWRIGHT_API uint8_t Discwright_CdvdBurnerGrabber_ReadToCueSheet(DiscwrightHandle grabber, DW_TRIPLE,
                                                                   const char* binPath, const char* cuePath);

#undef DW_TRIPLE
#undef DW_TREE_TRIPLE

#ifdef __cplusplus
} /* extern "C" */

static_assert(sizeof(DiscwrightDeviceAddress) == 5, "device address is 5 bytes");
static_assert(sizeof(DiscwrightDiscInformation) == 33, "disc information is 33 bytes");
static_assert(offsetof(DiscwrightDiscInformation, DiscStatus) == 1, "disc status at 1");
static_assert(offsetof(DiscwrightDiscInformation, LastSessionStatus) == 2, "session status at 2");
static_assert(offsetof(DiscwrightDiscInformation, Erasable) == 3, "erasable at 3");
static_assert(offsetof(DiscwrightDiscInformation, Tracks) == 32, "track count at 32");
static_assert(sizeof(DiscwrightTrackInformation) == 28, "track information is 28 bytes");
static_assert(offsetof(DiscwrightTrackInformation, TrackNumber) == 1, "track number at 1");
static_assert(offsetof(DiscwrightTrackInformation, Blank) == 9, "blank flag at 9");
static_assert(offsetof(DiscwrightTrackInformation, NextWritableValid) == 11, "NWA valid at 11");
static_assert(offsetof(DiscwrightTrackInformation, StartBlock) == 12, "start at 12");
static_assert(offsetof(DiscwrightTrackInformation, NextWritable) == 16, "NWA at 16");
static_assert(offsetof(DiscwrightTrackInformation, FreeBlocks) == 20, "free blocks at 20");
static_assert(offsetof(DiscwrightTrackInformation, SizeBlocks) == 24, "size at 24");
static_assert(sizeof(DiscwrightSessionInformation) == 72, "session information is 72 bytes");
static_assert(offsetof(DiscwrightSessionInformation, Status) == 3, "session status at 3");
static_assert(offsetof(DiscwrightSessionInformation, StartBlock) == 8, "session start at 8");
static_assert(offsetof(DiscwrightSessionInformation, VolumeLabel) == 16, "volume label at 16");
static_assert(offsetof(DiscwrightSessionInformation, Created) == 49, "creation time at 49");
static_assert(offsetof(DiscwrightSessionInformation, CreatedZone) == 66, "creation zone at 66");
static_assert(sizeof(DiscwrightTocEntry) == 12, "TOC entry is 12 bytes");
static_assert(sizeof(DiscwrightTocInformation) == 13838, "TOC is 13838 bytes");
static_assert(sizeof(DiscwrightTrackTable) == 79604, "track table is 79604 bytes");
static_assert(offsetof(DiscwrightTrackTable, Tracks) + offsetof(DiscwrightTrackEntry, FileName) == 13,
              "track 0 name at 13");
static_assert(sizeof(DiscwrightTrackEntry) == 796, "track entry is 796 bytes");
static_assert(sizeof(DiscwrightLayoutEntry) == 287, "layout entry is 287 bytes");
static_assert(offsetof(DiscwrightLayoutEntry, FileName) == 15, "layout name at 15");
static_assert(offsetof(DiscwrightLayoutEntry, FileTree) == 279, "layout tree at 279");
static_assert(sizeof(DiscwrightSessionLayout) == 29108, "session layout is 29108 bytes");
static_assert(sizeof(DiscwrightTreeOrigin) == 64, "tree origin is 64 bytes");
static_assert(sizeof(DiscwrightLayoutTrack) == 1384, "layout track is 1384 bytes");
static_assert(offsetof(DiscwrightLayoutTrack, Isrc) == 37, "ISRC at 37");
static_assert(offsetof(DiscwrightLayoutTrack, Source) == 372, "source at 372");
static_assert(sizeof(DiscwrightLayoutDisc) == 384, "layout disc is 384 bytes");
static_assert(sizeof(DiscwrightLayoutCheck) == 16, "layout check is 16 bytes");
static_assert(offsetof(DiscwrightTreeOrigin, VolumeLabel) == 20, "volume label at 20");
#endif

#endif /* KORVANEL_DISCWRIGHT_H */
