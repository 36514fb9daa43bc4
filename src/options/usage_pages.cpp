// The usage screens and the log help screens: one text per page. The log
// pages share their texts with the log pages of the usage screens.
#include "options/usage_pages.h"

#include "common/text.h"
#include "options/banner.h"

namespace {

// ---- The log texts (usage pages 7 to 9, log help pages 1 to 4) -------------

const wchar_t LOG_WAYS[] =
    L"There are 3 ways to get logfile creations. \n"
    L"\n"
    L"  1. the -1 option:           -1 logfilename!31\n"
    L"  2. the -- options:          --logfile=logfilename!31   --error=xx\n"
    L"  3. the kestro.ini file:     LOGFILE=logfilename!31     LOGS=list,copy,not\n"
    L"\n"
    L"  Each names the default log (logfilename itself: the command line and the\n"
    L"  run's statistics) and may select further logs beside it.\n"
    L"  Name the log file in ONE of the three places only: a log that is already\n"
    L"  open when it is selected a second time makes kestro open the next log of\n"
    L"  the mask in its place, and the records then go to the wrong files.\n"
    L"  The environment variable ACCT names a default log too: ACCT=ON writes\n"
    L"  ACCT-ING in the current folder, ACCT=name writes the log of that name.\n";

const wchar_t LOG_MASK_NOTE[] =
    L"\n"
    L"  The log name may be followed by a mask that selects the further logs,\n"
    L"  after one of the separators ! ; or |     (logfilename!6  logfilename;6)\n"
    L"  The mask is the sum of the numbers of the logs wanted (next page).  Quote\n"
    L"  a name with ; or | for the command prompt:  \"C:\\logs\\run.log|6\"\n";

const wchar_t LOG_KINDS[] =
    L"-1 +  logfilename[[!;|]xx]: filename to create logging file(s).     \n"
    L"      (-2 and -3 are the same as -1;  +1 turns every log off)\n"
    L"      xx is the sum of the numbers of the logs wanted:\n"
    L"   1  name               contains command line, and minimal statistics\n"
    L"   2  name_LIST          contains list of ALL files scanned for copy\n"
    L"   4  name_COPIED        contains list of ALL files successfully copied\n"
    L"   8  name_NOT_COPIED    contains list of files scanned but not copied\n"
    L"  16  name_ERROR         contains files meeting criteria, but had COPY error\n"
    L"  32  name_RENAMED_FILES destination file renamed due to duplicate\n"
    L"      The default log (1) is written whenever a log name is given.\n"
    L"      The further logs keep the name's extension (.LOG when it has none):\n"
    L"      -1 C:\\logs\\run.txt!6 writes run.txt, run_LIST.txt and run_COPIED.txt.\n"
    L"      \\MMDD or \\YYMM in the name becomes today's date (UTC), for example\n"
    L"      -1 C:\\logs\\MMDD.log writes C:\\logs\\20161231.log.  Missing folders of\n"
    L"      the name are created.  Logs are appended to, never emptied.\n"
    L"      -1 logfilename!all is the same as !63.\n"
    L"      For ALL logfiles use: \"logfilename!63\" or greater. Normal is !31\n";

const wchar_t LOG_LONG_FORMS[] =
    L"  --logfile=logfilename[[!;|]xx]   or   --logfile=logfilename;keyword,keyword\n"
    L"      (--logs= is the same).  xx is the sum of the log numbers, as for -1;\n"
    L"      in place of the number, lower-case keywords in any order:\n"
    L"      all==all logs ==63  list==listfile  == 2,   copy==copied file    == 4\n"
    L"      not==notcopied== 8  error==errorfile==16,   dupes==duperenamefile==32\n"
    L"      example:  --logfile=C:\\logs\\run.log;list,copy,error\n"
    L"  --error=xx  (--err=xx)  adds logs by number or keyword (no all, no name).\n"
    L"      Before --logfile the logs wait for its name; after it they open at once.\n"
    L"      example:  --logfile=logname.ext!2   --err=12\n";

const wchar_t LOG_INI_FORMS[] =
    L"kestro.ini  file syntax:  [LOGFILE=name[ [[!|;] [bitmask] keyword,keyword..]]]\n"
    L"      LOGFILE=C:\\LOGS\\RUN.LOG!31     LOGFILE=C:\\LOGS\\RUN.LOG;list,copy\n"
    L"      (INI lines are read in capitals, so the log names come out in capitals)\n"
    L"  LOGS=list,copy,not   adds logs by keyword;\n"
    L"      LOGFILENAME must be supplied elsewhere (LOGFILE=, -1 or --logfile=).\n"
    L"  LOGFILE=OFF   no logs from the INI file.\n";

// ---- The usage pages ---------------------------------------------------------

const wchar_t PAGE_FOLDERS[] =
    L"Usage: kestro  (optional)source_dir  (optional)destination_dir  -[OPTIONS]\n"
    L"\n"
    L"  Copies the files of the source folders that are newer than their copies\n"
    L"  in the destination (or missing there), keeping the tree of folders.\n"
    L"  The two folders without an option are position specific: the first is\n"
    L"  the source, the second the destination.  A destination given this way\n"
    L"  needs the source before it as a placeholder; otherwise use -p and -d.\n"
    L"  Options follow the folders; the first argument after an option that is\n"
    L"  not an option ends the command line.  / may be written for -, letters\n"
    L"  may be grouped (-Ami is -A -m -i), and a value may follow its letter\n"
    L"  directly or as the next argument (-G1000 or -G 1000).\n"
    L"\n"
    L"  -p path [path..]  source folders to copy from.  -p takes every following\n"
    L"          argument up to one that begins with - or +.  A file named in place\n"
    L"          of a folder becomes its folder, with the file as the file type.\n"
    L"          --path=folder adds one folder; kestro.ini: [PATH=folder]\n"
    L"  -d path  destination folder.  A missing one is created after a [Y/N]\n"
    L"          question, or without asking with -m.  --destination=path (or\n"
    L"          --output=path) creates it without asking.  kestro.ini: [DEST=path]\n"
    L"  [KEY=value] is a line of kestro.ini, the settings file that bears the\n"
    L"          program's name, in the program's folder; read before the options.\n"
    L"\n"
    L"        The -p and -d are really mandatory\n";

const wchar_t PAGE_FILE_TYPES[] =
    L"  -f type [type..]  the file types to copy, such as -f *.c *.h (default\n"
    L"          *.*).  -f takes every following argument up to one that begins\n"
    L"          with - + or /.  A type may not hold a \\.\n"
    L"  -F file  a file of file types, one a line.  MAX of 200 filetypes\n"
    L"  -s file  (or -S file)  copy exactly the files named in a list file, one\n"
    L"          full path a line.  A | ends the name, so a line may carry more:\n"
    L"          C:\\data\\report.doc|any other|pipe delimited|information\n"
    L"          An empty line ends the list.  Each file goes below the destination\n"
    L"          on its path below its drive's root (D:\\data\\a.txt to\n"
    L"          E:\\backup\\data\\a.txt), replacing what is there: no newer test.\n"
    L"          --list=file is the same, and creates folders without asking.\n"
    L"  -x type [type..]  do not copy files whose names match a type;\n"
    L"          can have up to 10 filetypes.  Names are compared in capitals.\n"
    L"  -X type [type..]  the same, with names and types compared as written.\n"
    L"  --exclude=file  a file of types to exclude, one a line (such as *.obj);\n"
    L"          an empty line ends it.  A missing file is ignored.\n";

const wchar_t PAGE_FLATTEN[] =
    L"  --flatten[=xx]  put every file straight into the destination folder in\n"
    L"          place of rebuilding the source's tree of folders.  With xx above\n"
    L"          5 each xx copies fill a numbered folder: the first xx go to the\n"
    L"          destination itself, the next xx to 0001\\, then 0002\\ and so on.\n"
    L"          --flatten=0 turns flattening off again.\n"
    L"  --nodupe  with --flatten: a file whose name is already taken at the\n"
    L"          destination is copied as name[0000].ext, the next as\n"
    L"          name[0001].ext (one numbering for the whole run).\n"
    L"          kestro.ini: [NODUPE=ON]\n"
    L"  --noc   (or --ign)  the same renaming for every copy onto an existing\n"
    L"          name, flattened or not; turns -A on as well.\n"
    L"\n"
    L"  Processing note: --nodupe turns -A on (copy all selected files, not only\n"
    L"  the newer ones), so every file is copied, and a name already present is\n"
    L"  renamed.  A +A after --nodupe turns the date check back on: only files\n"
    L"  newer than the copy of their name are then copied (and renamed).\n"
    L"     kestro -p C:\\data -d E:\\flat --flatten --nodupe +A\n";

const wchar_t PAGE_SHADOW_SHORT[] =
    L"  --SHADOW_COPY  take the source folders as they are given, without looking\n"
    L"          them up first: for sources inside a shadow copy (a snapshot) of a\n"
    L"          volume made beforehand.  Give it before -p; a source given as the\n"
    L"          first argument is looked up before any option is read.\n"
    L"          See the Windows documentation on the Volume Shadow Copy Service;\n"
    L"          more on the pages near the end.\n"
    L"\n"
    L"  -D drive:  copy onto a drive, rebuilding the source's folders from the\n"
    L"          drive's root:  kestro -p C:\\work\\src -D E:  copies into\n"
    L"          E:\\work\\src.  The value is a drive letter with its colon.  Missing\n"
    L"          folders are created after a [Y/N] question, or without asking\n"
    L"          with -m.\n";

const wchar_t PAGE_FOLDERS_AND_LISTING[] =
    L"  -M   maintain folder dates: folders created at the destination get the\n"
    L"       times of their source folders.  Turns -m on.  kestro.ini:\n"
    L"       [MAINTAIN=ON]\n"
    L"  -m   make missing destination folders without asking.  --maintain\n"
    L"  -U   created folders keep the case of their names (on Windows they are\n"
    L"       created in capitals unless -U is given).  -u is the same.\n"
    L"  -n   list only: show the names of the files that would be copied, and\n"
    L"       copy nothing.  kestro.ini: [LIST_ONLY=[ON|OFF]]\n"
    L"  -N   list only, with the size and the destination of every file.\n"
    L"  -r   do not recurse: copy only the files of the source folders\n"
    L"       themselves, not of their sub-folders.\n"
    L"       --recurse=OFF is the same;  --recurse or --recurse=ON recurse again.\n"
    L"  -i   immediate: no counting pass before the copy (the counting shows how\n"
    L"       many files and bytes are to come; it is made only when -d is given).\n"
    L"       -I is the same.  --immediate   kestro.ini: [NO_COUNT=[OFF|]ON]\n";

const wchar_t PAGE_SELECTION_AND_SCREEN[] =
    L"  -A   copy all selected files, not only those newer than their copies at\n"
    L"       the destination.  --all     +A turns it off again.\n"
    L"  -e   copy only files that already exist at the destination.  --exist\n"
    L"  -a[rhsme]  copy only files that carry every attribute named: r read-only,\n"
    L"       h hidden, s system, m archive (modified), e encrypted.  -ar -arh\n"
    L"  -v   silent: no start-up header and no statistics on the screen (the\n"
    L"       default log keeps its statistics).  -V counts twice.\n"
    L"       Environment variable: SILENT=ON\n"
    L"       --silent  or  --silent=[ON|OFF]\n"
    L"  -w nn  width of the file-name column on the screen (default 65; 0 for\n"
    L"       260).  -W nn is the same.  --width=nn   kestro.ini: [WIDTH=nn]\n"
    L"       [PATHONLY=ON] makes it 78 when no width is given (+w: as if none\n"
    L"       was); [NAMEONLY=ON] shows the bare file names instead.\n"
    L"  --delim=c  the character written after each name on the screen and in\n"
    L"       the listings (default blank): --delim=; or --delim=pipe for | or\n"
    L"       the character's code, such as --delim=44 for a comma.\n"
    L"  -z   zulu: show and compare file times in UTC, not in local time.\n"
    L"  -E file  write the copy errors to this file (default: the error stream).\n";

const wchar_t PAGE_LOG_AGES[] =
    L"  -g days   copy only files at least this many days old.   [OLDER=xxx]\n"
    L"  -l days   copy only files less than this many days old.  [YOUNGER=xxx]\n"
    L"            The age is counted in whole days to today, on the time chosen\n"
    L"            with -t (default: the last write).\n"
    L"  -g mm-dd-yyyy   copy only files older than that date (-g 12-31-2015).\n"
    L"  -l mm-dd-yyyy   copy only files newer than that date.\n"
    L"  -g mm-dd-yyyy[ACW] and -l mm-dd-yyyy[ACW]: the letters A (last access),\n"
    L"            C (creation) and W (last write) choose the times compared with\n"
    L"            the date; a file passes when one of them does (-l 01-15-2016AW).\n"
    L"            -g and -l together give a range of dates or of ages.\n"
    L"  -G #      copy only files of at least # bytes.  [GREATER=xxx]\n"
    L"            --greater=#\n"
    L"  -L #      copy only files of at most # bytes.   [LESSTHAN=xxx]\n"
    L"            --lessthan=#\n";

const wchar_t PAGE_TIMES[] =
    L"  -t[acw]  the file time that decides which file is newer, and from which\n"
    L"          ages are counted: a last access, c creation, w last write (the\n"
    L"          default).  -ta or -t a.  -T is the same; +t goes back to w.\n"
    L"          kestro.ini: [TIME=A|C|W]\n"
    L"          Every copy keeps all three times of its source.\n"
    L"  -R      reset: give each source file its last access time back after\n"
    L"          reading it.  The environment variable RESET (any value) does the\n"
    L"          same; NORESET keeps it off.  kestro.ini: [RESET=ON]\n"
    L"          --reset  or  --reset=[ON|OFF]\n"
    L"  -O      overwrite read-only, hidden and system files at the destination\n"
    L"          (they are otherwise refused).  --overwrite\n";

const wchar_t PAGE_HASHES[] =
    L"  -h      check every copy: the MD5 of the source and of the copy, with\n"
    L"          [OK] or [HASH ERROR] on the screen.  --hash or --hash=both\n"
    L"          (--md5 is the same).  kestro.ini: [HASH=ON]\n"
    L"  -hs     the MD5 of the source only.  --hash=source  [HASH=SOURCE]\n"
    L"  -hd     the MD5 of the copy only.  --hash=destination  [HASH=DESTINATION]\n"
    L"          (the values of --hash are written in lower case)\n"
    L"  -H file  write the MD5 values to this hash log; turns -h on unless -hs\n"
    L"          or -hd is given.  --hashlog=file  the same log, without turning\n"
    L"          hashing on: give --hash as well.\n"
    L"  --SHA   add the SHA-1 values to the hash log (--SHA1 is the same).\n"
    L"          kestro.ini: [SHA1=ON]\n";

const wchar_t PAGE_VERIFY[] =
    L"  --VERIFY=hashlog  check a backup against its hash log, without its source:\n"
    L"          every file the log records is read again and its MD5 compared\n"
    L"          (and its SHA-1 where the log holds one).  Nothing is copied.\n"
    L"          A file recorded with its copy (-h, -hd) is checked at the copy,\n"
    L"          one recorded alone (-hs) where it is.  When the log records a\n"
    L"          file more than once, its last record counts.\n"
    L"\n"
    L"  Each file is OK, CHANGED, MISSING or UNREADABLE; the screen shows a line\n"
    L"  for each that is not OK and a summary of the four counts.  A record\n"
    L"  whose digest is a failure text counts as not recorded; a line of the\n"
    L"  log that is no record is named and counted.  With -1 the NOT_COPIED log\n"
    L"  (8) takes the faults and the default log the summary.\n"
    L"\n"
    L"  -n lists the files that would be checked.  -f, -x, -g, -l, -G and -L\n"
    L"  narrow the files checked as they narrow a copy.\n"
    L"  Exit code: 0 every file OK, 17 VERIFY_FAILED, 3 the log cannot be read.\n"
    L"\n"
    L"     kestro --VERIFY=E:\\backup\\hash.log -1 C:\\logs\\verify.log!8\n";

const wchar_t PAGE_DIRS[] =
    L"  --dirs=pathfilename  copy from every folder listed in a file, each into\n"
    L"          the same path below the destination:  with -d E:\\backup the\n"
    L"          folder C:\\program files is copied into E:\\backup\\program files.\n"
    L"          Turns -i and -m on.\n"
    L"\n"
    L"  The file holds one full path per line, without a trailing \\ or /,\n"
    L"  optionally followed by | and any other information:\n"
    L"\n"
    L"C:\\program files | anyother | delimeted information | on the line\n"
    L"D:\\work\n"
    L"\n"
    L"  A line that names no folder is skipped; an empty line ends the list.\n";

const wchar_t PAGE_BYPASS[] =
    L"  --bypass=[path|file]  do not copy a folder and everything below it.  The\n"
    L"          value is one folder, or a file that lists folders, one full path\n"
    L"          a line (an empty line ends the list).  Give --bypass= as often as\n"
    L"          needed:  --bypass=C:\\data\\temp --bypass=C:\\skip.txt\n"
    L"          A folder is bypassed when its path begins with a bypassed path.\n"
    L"\n"
    L"  kestro.ini:  one bypass= line per folder, as many lines as needed:\n"
    L"          bypass=C:\\data\\temp\n"
    L"          bypass=C:\\data\\cache\n";

const wchar_t PAGE_SHADOW_LONG[] =
    L"  --SHADOW_COPY\n"
    L"\n"
    L"  The Volume Shadow Copy Service of Windows makes a frozen, read-only copy\n"
    L"  of a whole volume, a snapshot, while programs go on working with the\n"
    L"  volume.  Files that other programs hold open and locked (mail folders,\n"
    L"  databases) can be read from the snapshot as they were when it was taken.\n"
    L"\n"
    L"  kestro does not make the snapshot: make it beforehand with the system's\n"
    L"  own tools, and name folders inside it as the source, after --SHADOW_COPY:\n"
    L"\n"
    L"     kestro --SHADOW_COPY -d E:\\backup -m -p\n"
    L"            \\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy1\\data\n"
    L"\n"
    L"  With the option kestro takes the source folders as written, without\n"
    L"  looking them up first, since a snapshot's paths cannot always be looked\n"
    L"  up as folders.  A source folder that does not exist is then not reported\n"
    L"  at the start: nothing is found in it.\n"
    L"\nIf KESTRO fails, test it with and without the --SHADOW_COPY option.\n";

const wchar_t PAGE_TILDE[] =
    L"  --CHK_TILDE[=ON|OFF]  check for short-name clashes (default OFF).\n"
    L"\n"
    L"  A name with a ~ in its first 8 characters, such as ABCDEF~1.TXT, can be\n"
    L"  the short 8.3 name of another file at the destination, such as\n"
    L"  ABCDEFGHIJ.TXT; copying onto it would overwrite that other file.\n"
    L"  With the check on, such a copy is renamed: .D[nnnnn] is added to its\n"
    L"  name, nnnnn being the last five digits of the time of the copy in\n"
    L"  seconds (ABCDEF~1.TXT.D[12345]).  While that name is taken too,\n"
    L"  .[01_SSS], .[02_SSS] ... are added (SSS: the seconds of the source's\n"
    L"  last write).  Each renaming is shown on the screen and written to the\n"
    L"  RENAMED log (log 32).\n"
    L"\n"
    L"  --CHK_TILDE  or  --CHK_TILDE=ON  turns the check on, --CHK_TILDE=OFF off.\n"
    L"  kestro.ini:  CHK_TILDE=ON   or   CHK_TILDE=OFF   (default OFF)\n";

const wchar_t PAGE_SAMPLES[] =
    L"  Sample line of the LIST log (name|size|created c|modified m|accessed a|):\n"
    L"C:\\a.txt| 1234|2016/07/20|12:57:18c|2016/07/21|09:01:02m|2016/07/21|09:01:02a|\n"
    L"\n"
    L"  Sample line of the COPIED log (one line in the log, shown here on two):\n"
    L"         1,234 |C:\\a.txt| ==> |E:\\bak\\a.txt|2016/07/20|12:57:18c|\n"
    L"2016/07/21|09:01:02m|2016/07/21|09:01:02a|9E107D9D372BB6826BD81D3542A419D6|\n"
    L"  (size | source | ==> | copy | the source's three times | the source's\n"
    L"  MD5, only when the source is hashed)\n";

// The build line of one program unit.
std::wstring build_line(const char* unit) {
    return text::format("\n%20s, %s, %s", unit, build_date(), build_time());
}

std::wstring samples_and_build_lines() {
    return std::wstring(PAGE_SAMPLES) + build_line("kestro_base64") + build_line("kestro_program64") +
           build_line("kestro_options64") + L"\n";
}

}  // namespace

std::wstring usage_page(int index) {
    switch (index) {
        case 0: return PAGE_FOLDERS;
        case 1: return PAGE_FILE_TYPES;
        case 2: return PAGE_FLATTEN;
        case 3: return PAGE_SHADOW_SHORT;
        case 4: return PAGE_FOLDERS_AND_LISTING;
        case 5: return PAGE_SELECTION_AND_SCREEN;
        case 6: return LOG_WAYS;
        case 7: return LOG_KINDS;
        case 8: return std::wstring(LOG_LONG_FORMS) + LOG_INI_FORMS;
        case 9: return PAGE_LOG_AGES;
        case 10: return PAGE_TIMES;
        case 11: return PAGE_HASHES;
        case 12: return PAGE_VERIFY;
        case 13: return PAGE_DIRS;
        case 14: return PAGE_BYPASS;
        case 15: return PAGE_SHADOW_LONG;
        case 16: return PAGE_TILDE;
        default: return samples_and_build_lines();
    }
}

const wchar_t* log_help_page(int index) {
    static const std::wstring pages[LOG_HELP_PAGE_COUNT] = {
        std::wstring(LOG_WAYS) + LOG_MASK_NOTE,
        LOG_KINDS,
        std::wstring(L"Alternate -- (minusminus)  option to the -1 logfile\n\n") + LOG_LONG_FORMS,
        std::wstring(L"the kestro.ini option\n\n") + LOG_INI_FORMS,
    };
    return pages[index].c_str();
}
