#include "ui/help_texts.h"

namespace tarnbeck {

// The help text of each main-window control, shown by the what's-this mode. The wording is the
// program's own and stays as it is.
const std::vector<ControlHelp> &MainWindowHelpTexts() {
    static const std::vector<ControlHelp> texts = {
        {"Edit1",
         "Select the (user) group or workstation group with the button on the right.\r\n\r\nIt is "
         "also possible to create a new group or workstation group there."},
        {"Button1", "This button will open a tree browse window. Here it is possible to select a "
                    "group or workstation group.\r\n\r\nOn the new browsewindow there is a utton "
                    "with a green + .  (add sign). \r\nWith that button it ios possible to create "
                    "a new group or workstation group.  \r\nFor workstations groups please use the "
                    "zenWorkstationGroup. The \"workstation group\" is for  Zen 2.x."},
        {"ComboBox1", "Select one of the queries. \r\n\r\nThere has to be at least one query.   "
                      "\r\nIt is possible to add an unlimited number of queries, but this will "
                      "slowdown the execution! \r\n\r\nThe program will remove any duplicates."},
        {"BitBtn13", "Add an new query."},
        {"BitBtn14", "Delete the current query."},
        {"edit3", "Use the button on the right for selecting the context for the query."},
        {"Button5", "Opens browser window for selection the context."},
        {"cbox", "Select the scope for the query."},
        {"edit3a",
         "Enter the ldap query.\r\n\r\ne.g. (&(objectclass=User)(cn=*-10*))\r\n\r\nWith this "
         "version of the program it is [B]not[] possible to use extensible matching options!\r\nSo "
         "do not use:\r\n(cn:1.2.3.4.5:=some name)\r\n(:dn:2.4.6.8.10:=name)"},
        {"xchain", "This option has no meanig in this (Novell Client Based) version. It can be "
                   "usefull in the ldap version of the program."},
        {"CheckBox2", "If checked the program show the edit page for always include users after "
                      "the query.\r\n\r\nThe program stores the always include user/workstation in "
                      "the Owner attribute of the group object."},
        {"BitBtn3", "Save the query into the group-object. \r\nThe program will use the attribute "
                    "given on the setting page.\r\n\r\nDefault the attribute L is used."},
        {"BitBtn4", "Rereads the query from the edirectory."},
        {"pc", "If checked the program will show an edit page for excluding uses from the "
               "query.\r\n\r\nDefaulkt the program stored the exclude users/workstation in the "
               "\"See Also\" attribute of the group object."},
        {"BitBtn2", "Save the result above to the group.\r\n\r\nAlso update the user of "
                    "workstation object and security equals."},
        {"RadioButton1",
         "Add/Sync\r\n\r\nIf add is selected the program will add the result of the query to the "
         "current memberlist. After that the program applies the include and exclude "
         "lists.\r\n\r\nif sync then the program saves the result of the query (after applying the "
         "include and exclude list) into the memberlist."},
    };
    return texts;
}

} // namespace tarnbeck
