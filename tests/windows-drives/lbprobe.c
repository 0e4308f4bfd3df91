/* lbprobe: libburn on Windows against a drive that answers.
   lbprobe                 scan, list drives, grab the first, print status
   lbprobe ISO [ADDR]      ... then burn ISO as one data track (TAO)
   Messages of severity NOTE and above are printed as they come. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <time.h>
#include <windows.h>
#include <libburn/libburn.h>

static double now(void)
{
	return GetTickCount64() / 1000.0;
}
static double t0;

static void drain(void)
{
	int code, oserr;
	char text[BURN_MSGS_MESSAGE_LEN], sev[80];

	while (burn_msgs_obtain("ALL", &code, text, &oserr, sev) == 1)
		if (strcmp(sev, "DEBUG") != 0)
			printf("  [%6.1f] msg %s %08x %s\n", now() - t0, sev,
			       code, text);
	fflush(stdout);
}

static const char *status_name(enum burn_disc_status s)
{
	switch (s) {
	case BURN_DISC_UNREADY: return "UNREADY";
	case BURN_DISC_BLANK: return "BLANK";
	case BURN_DISC_EMPTY: return "EMPTY (no disc)";
	case BURN_DISC_APPENDABLE: return "APPENDABLE";
	case BURN_DISC_FULL: return "FULL";
	case BURN_DISC_UNGRABBED: return "UNGRABBED";
	case BURN_DISC_UNSUITABLE: return "UNSUITABLE";
	}
	return "?";
}

int main(int argc, char **argv)
{
	struct burn_drive_info *di = NULL;
	unsigned int n = 0, i;
	struct burn_drive *drive;
	enum burn_disc_status st;
	int pno = 0, ret;
	char pname[80], adr[BURN_DRIVE_ADR_LEN];
	const char *iso = argc > 1 ? argv[1] : NULL;

	setvbuf(stdout, NULL, _IONBF, 0);
	t0 = now();
	if (burn_initialize() != 1) {
		printf("burn_initialize failed\n");
		return 1;
	}
	burn_msgs_set_severities("NEVER", "SORRY", "lbprobe: ");
	burn_set_signal_handling("lbprobe: ", NULL, 0);
	if (getenv("LBPROBE_SCSI_LOG"))
		burn_set_scsi_logging(atoi(getenv("LBPROBE_SCSI_LOG")));

	if (getenv("LBPROBE_ADDR") != NULL) {
		/* The way an application names one drive: whitelist + grab */
		strcpy(adr, getenv("LBPROBE_ADDR"));
		printf("[%6.1f] burn_drive_scan_and_grab '%s'\n", now() - t0,
		       adr);
		ret = burn_drive_scan_and_grab(&di, adr, 1);
		drain();
		printf("[%6.1f] scan_and_grab: %d\n", now() - t0, ret);
		if (ret != 1)
			return 3;
		n = 1;
	} else {
		printf("[%6.1f] scanning\n", now() - t0);
		while (!burn_drive_scan(&di, &n))
			usleep(100000);
		drain();
		printf("[%6.1f] scan: %u drive(s)\n", now() - t0, n);
	}
	for (i = 0; i < n; i++) {
		if (burn_drive_get_adr(&di[i], adr) <= 0)
			strcpy(adr, "?");
		printf("drive %u: address '%s' vendor '%s' product '%s' "
		       "revision '%s'\n", i, adr, di[i].vendor, di[i].product,
		       di[i].revision);
	}
	if (n == 0)
		return 2;
	drive = di[0].drive;
	if (getenv("LBPROBE_ADDR") == NULL && burn_drive_grab(drive, 1) != 1) {
		printf("[%6.1f] burn_drive_grab failed\n", now() - t0);
		drain();
		return 3;
	}
	while ((st = burn_disc_get_status(drive)) == BURN_DISC_UNREADY)
		usleep(100000);
	burn_disc_get_profile(drive, &pno, pname);
	printf("[%6.1f] grabbed: disc status %d %s, profile 0x%04x '%s'\n",
	       now() - t0, (int) st, status_name(st), pno, pname);
	drain();

	if (iso != NULL) {
		struct burn_disc *disc = burn_disc_create();
		struct burn_session *session = burn_session_create();
		struct burn_track *track = burn_track_create();
		struct burn_source *src, *fifo;
		struct burn_write_opts *o;
		struct burn_progress p;
		char reasons[BURN_REASONS_LEN];
		int last = -1;

		if (st != BURN_DISC_BLANK) {
			printf("disc is not blank, not burning\n");
			burn_drive_release(drive, 0);
			return 4;
		}
		burn_disc_add_session(disc, session, BURN_POS_END);
		burn_track_define_data(track, 0, 300 * 1024, 1, BURN_MODE1);
		src = burn_file_source_new(iso, NULL);
		if (src == NULL) {
			printf("cannot open %s\n", iso);
			return 5;
		}
		fifo = burn_fifo_source_new(src, 2048, 1024, 0);
		burn_track_set_source(track, fifo);
		burn_session_add_track(session, track, BURN_POS_END);
		printf("[%6.1f] track: %s, %lld bytes\n", now() - t0, iso,
		       (long long) src->get_size(src));

		o = burn_write_opts_new(drive);
		burn_write_opts_set_perform_opc(o, 0);
		burn_write_opts_set_multi(o, 0);
		burn_write_opts_set_underrun_proof(o, 1);
		{
			const char *wt = getenv("LBPROBE_WRITE");

			if (wt != NULL && strcmp(wt, "sao") == 0) {
				burn_write_opts_set_write_type(o,
					BURN_WRITE_SAO, BURN_BLOCK_SAO);
			} else if (wt != NULL && strcmp(wt, "auto") == 0) {
				if (burn_write_opts_auto_write_type(o, disc,
					reasons, 0) == BURN_WRITE_NONE) {
					printf("no write type: %s\n", reasons);
					drain();
					return 6;
				}
			} else {
				burn_write_opts_set_write_type(o,
					BURN_WRITE_TAO, BURN_BLOCK_MODE1);
			}
			printf("[%6.1f] write type: %s\n", now() - t0,
			       wt == NULL ? "tao" : wt);
		}
		if (burn_precheck_write(o, disc, reasons, 0) != 1) {
			printf("precheck: %s\n", reasons);
			drain();
			return 6;
		}
		burn_drive_set_speed(drive, 0, 0);
		printf("[%6.1f] burning\n", now() - t0);
		burn_disc_write(o, disc);
		burn_write_opts_free(o);
		while (burn_drive_get_status(drive, NULL) ==
		       BURN_DRIVE_SPAWNING)
			usleep(100000);
		while (burn_drive_get_status(drive, &p) != BURN_DRIVE_IDLE) {
			if (p.sectors > 0 && p.sector * 10 / p.sectors != last) {
				last = p.sector * 10 / p.sectors;
				printf("[%6.1f] progress %d/%d sectors\n",
				       now() - t0, p.sector, p.sectors);
			}
			drain();
			usleep(200000);
		}
		drain();
		ret = burn_drive_wrote_well(drive);
		printf("[%6.1f] burn result: %s (wrote_well=%d)\n",
		       now() - t0, ret ? "SUCCESS" : "FAILURE", ret);
		burn_source_free(fifo);
		burn_source_free(src);
		burn_track_free(track);
		burn_session_free(session);
		burn_disc_free(disc);
		burn_drive_release(drive, 0);
		burn_drive_info_free(di);
		burn_finish();
		drain();
		return ret ? 0 : 7;
	}
	burn_drive_release(drive, getenv("LBPROBE_EJECT") != NULL);
	drain();
	printf("[%6.1f] released%s\n", now() - t0,
	       getenv("LBPROBE_EJECT") != NULL ? " with eject" : "");
	burn_drive_info_free(di);
	burn_finish();
	return 0;
}
